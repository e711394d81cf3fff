import QtQuick
import Veltrane.Hub

// Floats the store's toast over the top centre of the window. Every new toast (each has a
// fresh id) slides in while the one it replaces slides out; when the store removes a toast
// after its lifetime, it slides out too. The layer never removes a toast itself.
Item {
    id: toastLayer

    property ToastPresenter current: null
    // Compiled with the first toast, not at start.
    property Component presenter: null

    function present() {
        if (current)
            current.leave()
        current = null
        if (!CatalogStore.hasToast)
            return
        if (!presenter)
            presenter = Qt.createComponent("ToastPresenter.qml")
        current = presenter.createObject(toastLayer, { toast: CatalogStore.toast }) as ToastPresenter
    }

    Connections {
        target: CatalogStore
        function onToastChanged() { toastLayer.present() }
    }
}
