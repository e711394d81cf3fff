#include "view/CatalogStatus.h"

#include "view/RelativeAge.h"

CatalogStatus CatalogStatus::of(const CatalogStore::Phase &phase, const QDateTime &now)
{
    using Kind = CatalogStore::Phase::Kind;
    using Origin = CatalogService::Origin::Kind;
    switch (phase.kind) {
    case Kind::Loading:
        return {QStringLiteral("arrow.triangle.2.circlepath"), Tone::Secondary, tr("Updating…")};
    case Kind::Failed:
        return {QStringLiteral("exclamationmark.triangle"), Tone::Warning, phase.message};
    case Kind::Loaded:
        break;
    }
    switch (phase.origin.kind) {
    case Origin::Network:
        return {QStringLiteral("checkmark.circle"), Tone::Positive, tr("Up to date")};
    case Origin::Cache:
        return {QStringLiteral("internaldrive"), Tone::Secondary,
                tr("Offline · %1").arg(RelativeAge::describe(phase.origin.cachedAt, now))};
    case Origin::Bundled:
        break;
    }
    return {QStringLiteral("shippingbox"), Tone::Secondary, tr("Offline · bundled catalogue")};
}
