#include "view/CardStatus.h"

CardStatus CardStatus::of(const QString &installedVersion, const QString &catalogVersion, bool hasUpdate)
{
    if (installedVersion.isEmpty())
        return {};
    if (hasUpdate)
        return {Kind::Update, tr("%1 → %2").arg(installedVersion, catalogVersion),
                QStringLiteral("arrow.down.circle")};
    return {Kind::Installed, tr("Installed"), QStringLiteral("checkmark.circle")};
}
