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
        name: "Detail"
        when: windowShown

        Component {
            id: rootComponent
            RootView { width: 1080; height: 720 }
        }
        SignalSpy { id: uninstallSpy; signalName: "uninstallConfirmed" }

        function init() { Harness.reset() }

        function test_opensWithTheSelection() {
            const root = createTemporaryObject(rootComponent, scene)
            compare(root.detail, null)
            CatalogStore.selectedAppID = "photolab"
            verify(root.detail.visible)
            tryVerify(() => root.detail.width >= 300 && root.detail.width <= 420)
            CatalogStore.selectedAppID = ""
            compare(root.detail, null)
        }

        function test_buttonsPerApp_data() {
            return [
                { tag: "update", id: "photolab", primary: "Update to 2.4", open: true, prominentOpen: false },
                { tag: "current", id: "batchwise", primary: "", open: true, prominentOpen: true },
                { tag: "not installed", id: "sketchpad", primary: "Install", open: false },
                { tag: "no bundle id", id: "nobundle", primary: "Install", open: false },
                { tag: "no link", id: "nolink", primary: "", open: false },
            ]
        }
        function test_buttonsPerApp(data) {
            const root = createTemporaryObject(rootComponent, scene)
            CatalogStore.selectedAppID = data.id
            const primary = findChild(root.detail, "primaryButton")
            const open = findChild(root.detail, "openButton")
            compare(primary.visible, data.primary.length > 0)
            if (data.primary.length > 0)
                compare(primary.text, data.primary)
            compare(open.visible, data.open)
            if (data.open)
                compare(open.prominent, data.prominentOpen)
        }

        function test_uninstallAsksFirstAndHandsOverOnce() {
            const root = createTemporaryObject(rootComponent, scene)
            CatalogStore.selectedAppID = "batchwise"
            uninstallSpy.target = root.detail
            uninstallSpy.clear()
            waitForRendering(root)
            const more = findChild(root.detail, "moreActions")
            mouseClick(more)
            tryVerify(() => more.menu.opened)
            mouseClick(more.menu.itemAt(0))
            const dialog = root.detail.uninstallDialog
            tryVerify(() => dialog.opened)
            compare(dialog.title, "Move Batchwise to the Trash?")
            compare(uninstallSpy.count, 0)          // choosing the item alone removes nothing

            mouseClick(findChild(dialog.contentItem, "cancelButton"))
            tryVerify(() => !dialog.visible)
            compare(uninstallSpy.count, 0)
            compare(root.detail.appToUninstall, null)

            root.detail.askToUninstall()
            tryVerify(() => dialog.opened)
            mouseClick(findChild(dialog.contentItem, "confirmButton"))
            tryVerify(() => !dialog.visible)
            compare(uninstallSpy.count, 1)
            compare(uninstallSpy.signalArguments[0][0].id, "batchwise")
            compare(root.detail.appToUninstall, null)
        }

        function test_escapeAndCloseClearTheSelection() {
            const root = createTemporaryObject(rootComponent, scene)
            CatalogStore.selectedAppID = "sketchpad"
            waitForRendering(root)
            keyClick(Qt.Key_Escape)
            compare(CatalogStore.selectedAppID, "")
            CatalogStore.selectedAppID = "sketchpad"
            mouseClick(findChild(root.detail, "closeButton"))
            compare(CatalogStore.selectedAppID, "")
        }
    }
}
