#include "service/DiskImageInstall.h"

#include "service/BundleInstall.h"
#include "service/CachedImage.h"
#include "service/DiskImageAttach.h"

#include <QDir>
#include <QScopeGuard>

namespace {
using Failure = AppInstaller::Failure;
using Kind = Failure::Kind;
using Step = UpdateInstaller::Step;

const QLatin1String appSuffix(".app");

bool isAppName(const QString &name) { return name.size() > appSuffix.size() && name.endsWith(appSuffix); }
} // namespace

DiskImageInstall::DiskImageInstall(const UpdateInstaller::Options &options,
                                   const UpdateInstaller::Progress &progress)
    : m_options(options), m_progress(progress), m_tools(options, {})
{
}

QString DiskImageInstall::run(const CatalogApp &app, const QString &dmg) const
{
    report(Step::verifying());
    const CachedImage image(dmg, m_options.locations.updatesFolder());
    const QString mountPoint = mount(dmg, image);
    const auto detachLater = qScopeGuard([&] { detach(mountPoint); });
    const QString bundle = appBundle(mountPoint);
    if (bundle.isEmpty()) {
        image.forget();
        throw Failure::of(Kind::NoAppInImage);
    }
    const QString installed = BundleInstall(m_options, m_progress)
                                  .run({.bundle = bundle,
                                        .bundleID = app.bundleID,
                                        .details = {app.categoryID, app.tagline},
                                        .goingBack = false,
                                        .onRefused = [&] { image.forget(); }});
    report(Step::finished(installed));
    return installed;
}

QString DiskImageInstall::mount(const QString &dmg, const CachedImage &image) const
{
    ToolRunner::Result attached;
    try {
        attached = m_tools.run(m_options.tools.hdiutil,
                               {QStringLiteral("attach"), dmg, QStringLiteral("-nobrowse"),
                                QStringLiteral("-readonly"), QStringLiteral("-noverify"), QStringLiteral("-plist")},
                               false);
    } catch (const Failure &failure) {
        if (failure.kind == Kind::MountFailed)  // the tool ran and refused the image
            image.forget();
        throw;
    }
    const std::optional<QString> mountPoint = DiskImageAttach::mountPoint(attached.output);
    if (!mountPoint) {
        image.forget();
        throw Failure::of(Kind::MountFailed, attached.output);
    }
    return *mountPoint;
}

// The first entry of the top level, in the order the directory lists it (no sorting), whose
// name ends in ".app"; hidden entries count. Empty when there is none.
QString DiskImageInstall::appBundle(const QString &mountPoint) const
{
    const QDir top(mountPoint);
    const QStringList names = top.entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    const auto app = std::find_if(names.begin(), names.end(), isAppName);
    return app == names.end() ? QString() : top.filePath(*app);
}

void DiskImageInstall::detach(const QString &mountPoint) const noexcept
{
    try {
        m_tools.run(m_options.tools.hdiutil, {QStringLiteral("detach"), mountPoint, QStringLiteral("-quiet")}, false);
    } catch (...) {
        // ignored: the outcome of the install is already decided
    }
}

void DiskImageInstall::report(const Step &step) const
{
    if (m_progress)
        m_progress(step);
}
