// libFuzzer entry for the settings reader: any bytes parse, and a file the program
// does not change is written back byte for byte, whatever its encoding.
#include "settings/IniFile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    vistrel::IniFile ini = vistrel::IniFile::fromBytes(bytes);
    if (ini.toBytes() != bytes)
        std::abort();
    // Reading a key and writing its value back changes nothing either.
    const QString value = ini.readString(QStringLiteral("AUTOSAVE"), QStringLiteral("DIR"), {});
    if (ini.contains(QStringLiteral("AUTOSAVE"), QStringLiteral("DIR"))) {
        ini.writeString(QStringLiteral("AUTOSAVE"), QStringLiteral("DIR"), value);
        if (value.size() < vistrel::IniFile::MaxValueLength && ini.toBytes() != bytes)
            std::abort();
    }
    ini.writeInteger(QStringLiteral("ALL"), QStringLiteral("WAITTIME"), 500);
    (void)vistrel::IniFile::fromBytes(ini.toBytes()).readInteger(QStringLiteral("ALL"),
                                                                 QStringLiteral("WAITTIME"), 0);
    return 0;
}
