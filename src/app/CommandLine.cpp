#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QSslCertificate>

namespace {

CommandLine failure(const QString &text)
{
    CommandLine line;
    line.action = CommandLine::Action::Fail;
    line.text = text;
    return line;
}

} // namespace

CommandLine CommandLine::parse(const QStringList &arguments, Others others)
{
    QCommandLineParser parser;
    // Qt's options are single-dash words ("-reverse"), not bundles of letters ("-r -e -v ...").
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(tr("The storefront and installer for Veltrane's apps."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption catalogue(
        QStringLiteral("catalogue-url"),
        tr("Load the catalogue from URL (https only) instead of the maker's server, to test a staging server. "
           "Not saved."),
        QStringLiteral("URL"));
    const QCommandLineOption trustCa(
        QStringLiteral("trust-ca"),
        tr("Trust the PEM certificate authority in FILE besides the system's, for the catalogue, the downloads "
           "and the images. Not saved."),
        QStringLiteral("FILE"));
    parser.addOptions({catalogue, trustCa});

    if (!parser.parse(arguments) && (others == Others::Refuse || parser.unknownOptionNames().isEmpty()))
        return failure(parser.errorText());
    CommandLine line;
    // --help-all comes with the help option; Qt's own options are not the Hub's to explain.
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        line.action = Action::PrintHelp;
        line.text = parser.helpText();
        return line;
    }
    if (parser.isSet(version)) {
        line.action = Action::PrintVersion;
        line.text = QCoreApplication::applicationName() + QLatin1Char(' ') + QCoreApplication::applicationVersion()
                    + QLatin1Char('\n');
        return line;
    }
    if (others == Others::Refuse && !parser.positionalArguments().isEmpty())
        return failure(tr("Unexpected argument: %1").arg(parser.positionalArguments().constFirst()));

    if (parser.isSet(catalogue)) {
        const QString text = parser.value(catalogue);
        const QUrl url(text, QUrl::StrictMode);
        // Plain http would let anyone on the way hand the Hub a catalogue of their own.
        if (!url.isValid() || url.scheme() != QLatin1String("https") || url.host().isEmpty())
            return failure(tr("The catalogue URL must be an https:// URL with a host: %1").arg(text));
        line.catalogueUrl = url;
    }
    if (parser.isSet(trustCa)) {
        const QString file = QFileInfo(parser.value(trustCa)).absoluteFilePath();
        // Checked now, so a wrong path fails here instead of as a distrusted server later.
        if (QSslCertificate::fromPath(file, QSsl::Pem, QSslCertificate::PatternSyntax::FixedString).isEmpty())
            return failure(tr("No PEM certificate could be read from %1.").arg(parser.value(trustCa)));
        line.trustedCaFile = file;
    }
    return line;
}

void CommandLine::applyTo(VeltraneHubApp::Options &options) const
{
    if (!catalogueUrl.isEmpty())
        options.catalog.endpoint = catalogueUrl;
    if (!trustedCaFile.isEmpty()) {
        options.catalog.extraCaFile = trustedCaFile;
        options.installer.extraCaFile = trustedCaFile;
    }
}
