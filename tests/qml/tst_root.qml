import QtQuick
import QtTest
import Veltrane.Hub
import Veltrane.Hub.Testing

// TestCase itself is invisible; the views under test live in this visible scene.
Item {
    id: scene
    width: 1080
    height: 720

    TestCase {
        id: testCase
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

        function test_quitAlertForARunningApp() {
            const root = createTemporaryObject(rootComponent, scene)
            CatalogStore.selectedAppID = "batchwise"          // running, see the harness
            UpdateCoordinator.install(CatalogStore.selectedApp)
            tryVerify(() => root.quitAlert.opened)
            compare(root.quitAlert.title, "Quit Batchwise first")
            compare(root.quitAlert.message, "Batchwise is running. Quit it, then press Update again.")
            mouseClick(findChild(root.quitAlert.contentItem, "cancelButton"))
            tryVerify(() => !root.quitAlert.visible)
            verify(!UpdateCoordinator.hasAppToQuitFirst)
            wait(50)
            verify(!root.quitAlert.visible)                   // does not come back by itself
        }

        function test_failureShowsUnderTheDescription() {
            const root = createTemporaryObject(rootComponent, scene)
            CatalogStore.selectedAppID = "nolink"
            UpdateCoordinator.install(CatalogStore.selectedApp)
            const failure = findChild(root.detail, "failureMessage")
            tryVerify(() => failure.visible)
            compare(failure.text, "This app has no download link yet.")
            compare(failure.color, Theme.orange)
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
