import QtQuick
import QtTest
import Veltrane.Hub
import Veltrane.Hub.Testing

// The window's content. Catches:
// - a warning toast not drawn in orange, or another toast drawn in it
// - a search field that does not hand every keystroke (spaces too) to the store
// - a column that the Tab key cannot reach
Item {
    id: scene
    width: 1080
    height: 720

    TestCase {
        name: "Root"
        when: windowShown

        Component {
            id: rootComponent
            RootView { width: 1080; height: 720 }
        }
        Component {
            id: toastComponent
            ToastView {}
        }

        function init() { Harness.reset() }

        function test_toastColours() {
            const warning = createTemporaryObject(toastComponent, scene,
                { toast: Harness.makeToast("Offline. Showing the built-in catalogue.", "shippingbox", true) })
            compare(warning.foreground, Theme.orange)
            const plain = createTemporaryObject(toastComponent, scene,
                { toast: Harness.makeToast("Catalogue updated", "arrow.down.circle", false) })
            compare(plain.foreground, Theme.primaryText)
        }

        function test_searchFieldWritesEveryKeystroke() {
            const root = createTemporaryObject(rootComponent, scene)
            root.searchField.forceActiveFocus()
            keyClick(Qt.Key_P)
            compare(CatalogStore.searchText, "p")
            keyClick(Qt.Key_Space)
            compare(CatalogStore.searchText, "p ")
        }

        function test_tabReachesEachColumn() {
            const root = createTemporaryObject(rootComponent, scene)
            CatalogStore.selectedAppID = "photolab"
            root.searchField.forceActiveFocus()
            const reached = { sidebar: false, grid: false, detail: false, search: false }
            for (let i = 0; i < 20; ++i) {
                keyClick(Qt.Key_Tab)
                reached.sidebar |= root.sidebar.list.activeFocus
                reached.grid |= root.catalog.grid.activeFocus
                reached.detail |= root.detail.activeFocus
                reached.search |= root.searchField.activeFocus
            }
            compare(JSON.stringify(reached), JSON.stringify({ sidebar: 1, grid: 1, detail: 1, search: 1 }))
        }
    }
}
