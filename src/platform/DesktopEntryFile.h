#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <optional>

// The "[Desktop Entry]" group of a freedesktop desktop entry file: its keys in order with
// their values unescaped. Other groups and comments are ignored when reading.
class DesktopEntryFile {
public:
    // Nothing when the text is not a well-formed desktop entry (no "[Desktop Entry]" group, a
    // line that is neither a group, a comment nor key=value, a bad key name).
    static std::optional<DesktopEntryFile> parse(QByteArrayView text);

    std::optional<QString> value(const QString &key) const;
    // Replaces the key's value, or appends the key.
    void set(const QString &key, const QString &value);
    QByteArray serialize() const;

    // The string-value escapes: backslash, newline, tab, carriage return, edge spaces.
    static QString escapeValue(const QString &value);
    static QString unescapeValue(QStringView raw);

    // One argument of an Exec value (before value escaping): quoted when it holds a reserved
    // character, with literal '%' doubled so it is not taken for a field code.
    static QString quoteExecArgument(const QString &argument);
    // The arguments of an (unescaped) Exec value; field codes other than "%%" are dropped.
    // Nothing when the quoting is broken.
    static std::optional<QStringList> splitExec(const QString &exec);

private:
    QList<QPair<QString, QString>> m_entries;
};
