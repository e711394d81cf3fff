#include "service/ImagePin.h"

namespace {
// Reads the two keys as soon as the catalogue records carry them, without an edit here.
template<typename App>
ImagePin pinOf(const App &app)
{
    ImagePin pin;
    if constexpr (requires { app.downloadSize; app.downloadSHA256; }) {
        pin.size = app.downloadSize;
        if (app.downloadSHA256)
            pin.sha256 = QByteArray::fromHex(app.downloadSHA256->toLatin1());
    }
    return pin;
}
} // namespace

ImagePin ImagePin::of(const CatalogApp &app) { return pinOf(app); }
