#pragma once

#include <QString>

// App bundles for tests: "<name>.app/Contents/Info.plist" and a program in Contents/MacOS.
namespace TestBundles {

// Writes the bundle's folders and Info.plist and returns the bundle's path. An empty
// executable leaves CFBundleExecutable out.
QString make(const QString &folder, const QString &name, const QString &identifier,
             const QString &executable = QString(), const QString &version = QStringLiteral("1.0"));

// Copies a real program (an ELF file, so that the kernel names it as the running program)
// into Contents/MacOS under the given name; returns its path.
QString copyProgram(const QString &bundle, const QString &executable,
                    const QString &from = QStringLiteral("/bin/sleep"));

// Writes an executable shell script into Contents/MacOS; returns its path.
QString writeScript(const QString &bundle, const QString &executable, const QByteArray &body);

} // namespace TestBundles
