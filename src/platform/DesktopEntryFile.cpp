#include "platform/DesktopEntryFile.h"

#include <QRegularExpression>

namespace {

const QString mainGroup = QStringLiteral("Desktop Entry");

bool isValidKey(QStringView key)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9-]+(\\[[^\\]=]+\\])?$"));
    return pattern.match(key).hasMatch();
}

// Characters that force an Exec argument into double quotes.
bool isReservedInExec(QChar c)
{
    return QStringView(u" \t\n\"'\\><~|&;$*?#()`").contains(c);
}

} // namespace

std::optional<DesktopEntryFile> DesktopEntryFile::parse(QByteArrayView text)
{
    DesktopEntryFile file;
    bool seenMainGroup = false;
    bool inMainGroup = false;
    bool inAnyGroup = false;
    const QStringList lines = QString::fromUtf8(text).split(QLatin1Char('\n'));
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QStringView trimmed = QStringView(line).trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#')))
            continue;
        if (trimmed.startsWith(QLatin1Char('['))) {
            if (!trimmed.endsWith(QLatin1Char(']')))
                return std::nullopt;
            const QStringView group = trimmed.mid(1, trimmed.size() - 2);
            inAnyGroup = true;
            inMainGroup = group == mainGroup && !seenMainGroup;
            if (group == mainGroup && seenMainGroup)
                return std::nullopt;  // the main group twice
            seenMainGroup = seenMainGroup || inMainGroup;
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (!inAnyGroup || equals < 0)
            return std::nullopt;
        const QString key = line.left(equals).trimmed();
        if (!isValidKey(key))
            return std::nullopt;
        if (inMainGroup && !file.value(key))
            file.m_entries.append({key, unescapeValue(QStringView(line).mid(equals + 1).trimmed())});
    }
    if (!seenMainGroup)
        return std::nullopt;
    return file;
}

std::optional<QString> DesktopEntryFile::value(const QString &key) const
{
    for (const auto &[k, v] : m_entries) {
        if (k == key)
            return v;
    }
    return std::nullopt;
}

void DesktopEntryFile::set(const QString &key, const QString &value)
{
    for (auto &entry : m_entries) {
        if (entry.first == key) {
            entry.second = value;
            return;
        }
    }
    m_entries.append({key, value});
}

QByteArray DesktopEntryFile::serialize() const
{
    QString text = QLatin1Char('[') + mainGroup + QStringLiteral("]\n");
    for (const auto &[key, value] : m_entries)
        text += key + QLatin1Char('=') + escapeValue(value) + QLatin1Char('\n');
    return text.toUtf8();
}

QString DesktopEntryFile::escapeValue(const QString &value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else if (c == QLatin1Char('\t'))
            out += QStringLiteral("\\t");
        else if (c == QLatin1Char('\r'))
            out += QStringLiteral("\\r");
        else if (c == QLatin1Char(' ') && (i == 0 || i == value.size() - 1))
            out += QStringLiteral("\\s");  // readers trim unescaped edge spaces
        else
            out += c;
    }
    return out;
}

QString DesktopEntryFile::unescapeValue(QStringView raw)
{
    QString out;
    out.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QChar c = raw[i];
        if (c != QLatin1Char('\\') || i + 1 == raw.size()) {
            out += c;
            continue;
        }
        const QChar next = raw[++i];
        switch (next.unicode()) {
        case 's': out += QLatin1Char(' '); break;
        case 'n': out += QLatin1Char('\n'); break;
        case 't': out += QLatin1Char('\t'); break;
        case 'r': out += QLatin1Char('\r'); break;
        case '\\': out += QLatin1Char('\\'); break;
        default: out += c; out += next; break;  // not an escape: keep both
        }
    }
    return out;
}

QString DesktopEntryFile::quoteExecArgument(const QString &argument)
{
    QString quoted = argument;
    if (argument.isEmpty() || std::any_of(argument.begin(), argument.end(), isReservedInExec)) {
        quoted.clear();
        quoted += QLatin1Char('"');
        for (const QChar c : argument) {
            if (QStringView(u"\"`$\\").contains(c))
                quoted += QLatin1Char('\\');
            quoted += c;
        }
        quoted += QLatin1Char('"');
    }
    quoted.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return quoted;
}

std::optional<QStringList> DesktopEntryFile::splitExec(const QString &exec)
{
    QStringList arguments;
    QString current;
    bool inArgument = false;
    bool quoted = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (c == QLatin1Char('%')) {
            if (i + 1 == exec.size())
                return std::nullopt;
            if (exec[++i] == QLatin1Char('%')) {
                current += QLatin1Char('%');
                inArgument = true;
            }
            continue;  // another field code: nothing to fill in here
        }
        if (quoted) {
            if (c == QLatin1Char('"')) {
                quoted = false;
            } else if (c == QLatin1Char('\\') && i + 1 < exec.size()
                       && QStringView(u"\"`$\\").contains(exec[i + 1])) {
                current += exec[++i];
            } else {
                current += c;
            }
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
            if (inArgument)
                arguments.append(std::exchange(current, QString()));
            inArgument = false;
        } else if (c == QLatin1Char('"')) {
            quoted = true;
            inArgument = true;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (quoted)
        return std::nullopt;
    if (inArgument)
        arguments.append(current);
    return arguments;
}
