#include "view/CardStatus.h"

CardStatus CardStatus::of(const QString &installedVersion, const QString &catalogVersion, bool hasUpdate)
{
    if (!isInstalled(installedVersion, hasUpdate))
        return {};
    if (hasUpdate) {
        const QString text = installedVersion.isEmpty() ? tr("→ %1").arg(catalogVersion)
                                                        : tr("%1 → %2").arg(installedVersion, catalogVersion);
        return {Kind::Update, text, QStringLiteral("arrow.down.circle")};
    }
    return {Kind::Installed, tr("Installed"), QStringLiteral("checkmark.circle")};
}
