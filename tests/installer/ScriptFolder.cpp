#include "ScriptFolder.h"

#include <QFile>
#include <QTest>

ScriptFolder::ScriptFolder() : m_root(m_dir.path()) {}

QString ScriptFolder::path(const QString &name) const { return m_root + QLatin1Char('/') + name; }

QString ScriptFolder::write(const QString &name, const QString &body) const
{
    QFile script(path(name));
    if (!script.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(script.fileName()));
    script.write("#!/bin/sh\n" + body.toUtf8() + "\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return script.fileName();
}
