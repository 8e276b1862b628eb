"""An SMTP server on a free loopback port that stores every message in a maildir.

Prints the port once it listens. Usage: smtp_sink.py MAILDIR
"""
import asyncio
import socket
import sys

from aiosmtpd.handlers import Mailbox
from aiosmtpd.smtp import SMTP


async def main():
    sock = socket.socket()
    sock.bind(("127.0.0.1", 0))
    sock.listen()
    loop = asyncio.get_running_loop()
    server = await loop.create_server(lambda: SMTP(Mailbox(sys.argv[1])), sock=sock)
    print(sock.getsockname()[1], flush=True)
    await server.serve_forever()


asyncio.run(main())
