#include "platform/ToolRunner.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringDecoder>

#include <cstring>

namespace {
using Ending = ToolRunner::Result::Ending;

QString decodeUtf8(const std::string &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    return decoder.hasError() ? QString() : text;
}

void appendNote(QString *output, const QString &note)
{
    if (!output->isEmpty() && !output->endsWith(QLatin1Char('\n')))
        output->append(QLatin1Char('\n'));
    output->append(note);
}

ToolRunner::Result notStarted(const QString &program, const QString &reason)
{
    ToolRunner::Result result;
    result.output = ToolRunner::tr("Could not start %1: %2").arg(program, reason);
    return result;
}

// What the Hub says about an ending other than an exit.
QString noteOn(const posix::ChildProcess::Result &ran, std::chrono::milliseconds timeLimit)
{
    switch (ran.ending) {
    case Ending::Exited:
    case Ending::NotStarted:
        break;
    case Ending::Signalled:
        return ran.exitStatus > 128 ? ToolRunner::tr("(ended by signal %1)").arg(ran.exitStatus - 128)
                                    : ToolRunner::tr("(ended, exit status unknown)");
    case Ending::TimedOut:
        return ToolRunner::tr("(stopped: still running after %1 seconds)")
            .arg(std::chrono::ceil<std::chrono::seconds>(timeLimit).count());
    case Ending::Stopped:
        return ToolRunner::tr("(stopped: Veltrane Hub is quitting)");
    }
    return {};
}
} // namespace

ToolRunner::Result ToolRunner::run(const QString &program, const QStringList &arguments,
                                   std::chrono::milliseconds timeLimit)
{
    if (!QDir::isAbsolutePath(program))
        return notStarted(program, ToolRunner::tr("not an absolute path"));

    std::vector<std::string> args;
    args.reserve(size_t(arguments.size()));
    for (const QString &argument : arguments)
        args.push_back(argument.toUtf8().toStdString());
    posix::ChildProcess::Options options;
    options.timeLimit = timeLimit;
    options.maxOutputBytes = maxOutputBytes;
    options.ownProcessGroup = true;
    const posix::ChildProcess::Result ran =
        posix::ChildProcess::run(QFile::encodeName(program).toStdString(), args, options);
    if (ran.ending == Ending::NotStarted)
        return notStarted(program, QString::fromLocal8Bit(std::strerror(ran.error)));

    Result result;
    result.ending = ran.ending;
    result.exitStatus = ran.exitStatus;
    result.output = decodeUtf8(ran.output);
    if (const QString note = noteOn(ran, timeLimit); !note.isEmpty())
        appendNote(&result.output, note);
    return result;
}

void ToolRunner::stopAll()
{
    posix::ChildProcess::stopAll(std::chrono::seconds(1));
}
