#include "catalog/CatalogJson.h"

#include <cstdio>
#include <QCoreApplication>
#include <QFile>
#include <QStringList>

// veltrane-catalog: checks catalogue documents before they are published, and rewrites one
// in the form the Hub itself saves.
//
//   veltrane-catalog validate FILE...   "FILE: ok" or "FILE: <path>: <reason>" per file;
//                                       exit 0 only when every file decodes
//   veltrane-catalog format FILE        the document as the Hub encodes it, on stdout

namespace {

enum Exit { Ok = 0, Failed = 1, Usage = 2 };

void print(FILE *stream, const QString &line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

int usage()
{
    print(stderr, QStringLiteral("usage: veltrane-catalog validate FILE...\n"
                                 "       veltrane-catalog format FILE"));
    return Usage;
}

// The file's contents, or nothing with *problem set.
std::optional<QByteArray> readFile(const QString &path, QString *problem)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *problem = QStringLiteral("cannot read (%1)").arg(file.errorString());
        return std::nullopt;
    }
    QByteArray contents = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *problem = QStringLiteral("cannot read (%1)").arg(file.errorString());
        return std::nullopt;
    }
    return contents;
}

// The catalogue in the file, or nothing with *problem set to the reason.
std::optional<Catalog> load(const QString &path, QString *problem)
{
    const std::optional<QByteArray> contents = readFile(path, problem);
    if (!contents)
        return std::nullopt;
    CatalogJson::DecodeError error;
    std::optional<Catalog> catalog = CatalogJson::decode(*contents, &error);
    if (!catalog)
        *problem = error.toString();
    return catalog;
}

int validate(const QStringList &files)
{
    int exit = Ok;
    for (const QString &path : files) {
        QString problem;
        if (load(path, &problem)) {
            print(stdout, path + QStringLiteral(": ok"));
        } else {
            print(stdout, path + QStringLiteral(": ") + problem);
            exit = Failed;
        }
    }
    return exit;
}

int format(const QString &path)
{
    QString problem;
    const std::optional<Catalog> catalog = load(path, &problem);
    if (!catalog) {
        print(stderr, path + QStringLiteral(": ") + problem);
        return Failed;
    }
    const QByteArray json = CatalogJson::encode(*catalog) + '\n';
    std::fwrite(json.constData(), 1, size_t(json.size()), stdout);
    return std::fflush(stdout) == 0 ? Ok : Failed;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const QString command = args.value(0);
    if (command == QLatin1String("validate") && args.size() >= 2)
        return validate(args.mid(1));
    if (command == QLatin1String("format") && args.size() == 2)
        return format(args.at(1));
    return usage();
}
