#include "view/DetailActions.h"

#include <cmath>

namespace {

using Kind = UpdateCoordinator::State::Kind;

bool isBusy(Kind kind) { return kind == Kind::Downloading || kind == Kind::Installing; }

void choosePrimaryLabel(DetailActions &actions, const CatalogApp &app,
                        const UpdateCoordinator::State &state, bool hasUpdate)
{
    switch (state.kind) {
    case Kind::Downloading:
        actions.primaryTitle = DetailActions::downloadingTitle(state.fraction);
        actions.primarySymbol = QStringLiteral("arrow.down.circle");
        return;
    case Kind::Installing:
        actions.primaryTitle = DetailActions::tr("Installing…");
        actions.primarySymbol = QStringLiteral("shippingbox");
        return;
    case Kind::Installed:
        actions.primaryTitle = DetailActions::tr("Installed");
        actions.primarySymbol = QStringLiteral("checkmark.circle");
        return;
    case Kind::Failed:
        actions.primaryTitle = DetailActions::tr("Try Again");
        actions.primarySymbol = QStringLiteral("exclamationmark.triangle");
        return;
    case Kind::Idle:
    case Kind::Ready:
        actions.primaryTitle = hasUpdate ? DetailActions::tr("Update to %1").arg(app.version)
                                         : DetailActions::tr("Install");
        actions.primarySymbol = QStringLiteral("arrow.down.circle");
        return;
    }
}

} // namespace

DetailActions DetailActions::of(const CatalogApp &app, const UpdateCoordinator::State &state,
                                const QString &installedVersion, bool hasUpdate)
{
    DetailActions actions;
    actions.isInstalled = app.bundleID.has_value() && CardStatus::isInstalled(installedVersion, hasUpdate);
    actions.showsInstalledLabel = actions.isInstalled && !hasUpdate;
    const bool wantsPrimary = hasUpdate || !actions.isInstalled;
    actions.showsPrimary = app.downloadURL.has_value() && wantsPrimary;
    actions.showsUnavailable = !app.downloadURL && wantsPrimary;
    actions.primaryEnabled = !isBusy(state.kind) && state.kind != Kind::Installed;
    choosePrimaryLabel(actions, app, state, hasUpdate);
    actions.showsOpenRow = actions.isInstalled && !isBusy(state.kind);
    actions.openIsProminent = !hasUpdate;
    if (state.kind == Kind::Failed)
        actions.failureMessage = state.message;
    return actions;
}

QString DetailActions::downloadingTitle(double fraction)
{
    const double percent = std::isfinite(fraction) ? std::trunc(fraction * 100.0) : 0.0;
    return tr("Downloading… %1%").arg(static_cast<qint64>(percent));
}
