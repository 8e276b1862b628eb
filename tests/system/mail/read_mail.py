"""Prints what a test checks of one stored message and writes out its attachments.

Usage: read_mail.py MESSAGE_FILE ATTACHMENT_OUT
"""
import email
import email.policy
import sys

with open(sys.argv[1], "rb") as f:
    message = email.message_from_binary_file(f, policy=email.policy.default)
attachments = list(message.iter_attachments())
print("mailfrom=" + str(message["X-MailFrom"]))
print("rcpt=" + str(message["X-RcptTo"]))
print("from=" + str(message["From"]))
print("to=" + str(message["To"]))
print("subject=" + str(message["Subject"]))
print("attachments=%d" % len(attachments))
for part in attachments:
    print("filename=" + str(part.get_filename()))
    print("type=" + part.get_content_type())
    with open(sys.argv[2], "wb") as out:
        out.write(part.get_payload(decode=True))
