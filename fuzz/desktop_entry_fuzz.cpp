#include "platform/DesktopEntryFile.h"

#include <cstdint>
#include <cstdlib>

// Feeds arbitrary bytes to the desktop-entry reader. What it reads writes out to a file that
// reads back the same; the same bytes as one text survive value escaping, and as one
// argument survive Exec quoting.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(data, qsizetype(size));
    if (const std::optional<DesktopEntryFile> entry = DesktopEntryFile::parse(bytes)) {
        const QByteArray written = entry->serialize();
        const std::optional<DesktopEntryFile> again = DesktopEntryFile::parse(written);
        if (!again || again->serialize() != written)
            std::abort();
    }
    const QString text = QString::fromUtf8(bytes);
    if (DesktopEntryFile::unescapeValue(DesktopEntryFile::escapeValue(text)) != text)
        std::abort();
    if (!text.isEmpty() && DesktopEntryFile::splitExec(DesktopEntryFile::quoteExecArgument(text)) != QStringList {text})
        std::abort();
    return 0;
}
