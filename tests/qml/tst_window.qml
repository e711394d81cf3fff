import QtQuick
import QtTest
import Veltrane.Hub
import Veltrane.Hub.Testing

// The window's content: detail pane, questions, search field, focus and toasts. Catches:
// - a pane that does not open and close with the selection (close button, Escape)
// - a wrong primary button, Open row or Open style for an app, or progress that does not reach the pane
// - a missing price, screenshots row (or a non-https one in it), website link or "Not available yet"
// - a download without its line and Cancel, or a Cancel that does not stop it
// - a "Go Back to" item that is missing while a copy is kept, or stays after going back
// - a failure not shown under the description
// - an update of a running app that does not ask to quit it, or an alert that comes back by itself
// - an uninstall without confirmation, or handed over more than once
// - a column line that cannot be dragged, or drags a column past its bounds
// - a search field that does not hand every keystroke (spaces too) to the store, or an Escape that
//   does not clear it first; a column Tab cannot reach
// - a menu shortcut that does nothing or is not shown, menus the arrow keys do not move
//   between, a sidebar that does not hide and come back, an About panel that Ctrl+W does not close
// - a window that does not speak German under the German translation
// - a warning toast not drawn in orange, or another toast drawn in it
// - text in another family than the program's own faces, or a weight it does not draw
Item {
    id: scene
    width: 1080
    height: 720

    TestCase {
        name: "Window"
        when: windowShown

        Component {
            id: rootComponent
            RootView { width: 1080; height: 720 }
        }
        Component {
            id: contentComponent
            HubContent { width: 1080; height: 720 }
        }
        Component {
            id: toastComponent
            ToastView {}
        }
        SignalSpy { id: uninstallSpy; signalName: "uninstallConfirmed" }

        function init() { Harness.reset() }
        function cleanup() { Harness.useLanguage("") }

        function detailWith(appID) {
            const root = createTemporaryObject(rootComponent, scene)
            CatalogStore.selectedAppID = appID
            return root
        }

        function test_opensAndClosesWithTheSelection() {
            const root = detailWith("")
            compare(root.detail, null)
            CatalogStore.selectedAppID = "sketchpad"
            tryVerify(() => root.detail.width >= 300 && root.detail.width <= 420)
            mouseClick(findChild(root.detail, "closeButton"))
            compare(CatalogStore.selectedAppID, "")
            compare(root.detail, null)
            CatalogStore.selectedAppID = "sketchpad"
            waitForRendering(root)
            keyClick(Qt.Key_Escape)
            compare(CatalogStore.selectedAppID, "")
        }

        function test_buttonsPerApp_data() {
            return [
                { tag: "update", id: "photolab", primary: "Update to 2.4", open: true, prominentOpen: false },
                { tag: "current", id: "batchwise", primary: "", open: true, prominentOpen: true },
                { tag: "paid, not installed", id: "sketchpad", primary: "Install", open: false, extras: true },
                { tag: "no bundle id", id: "nobundle", primary: "Install", open: false },
                { tag: "no link", id: "nolink", primary: "", open: false, unavailable: true },
            ]
        }
        function test_buttonsPerApp(data) {
            const root = detailWith(data.id)
            const primary = findChild(root.detail, "primaryButton")
            const open = findChild(root.detail, "openButton")
            compare(primary.visible, data.primary.length > 0)
            if (data.primary.length > 0)
                compare(primary.text, data.primary)
            compare(open.visible, data.open)
            if (data.open)
                compare(open.prominent, data.prominentOpen)
            compare(findChild(root.detail, "unavailableButton").visible, data.unavailable === true)
            // Sketchpad alone has a price, a homepage and screenshots (one of them https).
            compare(findChild(root.detail, "priceLabel").visible, data.extras === true)
            compare(findChild(root.detail, "screenshots").count, data.extras ? 1 : 0)
            const website = findChild(root.detail, "websiteLink")
            compare(website.visible, data.extras === true)
            if (data.extras)
                compare(findChild(website, "address").text, "https://sketchpad.example/a%20b")
        }

        function test_screenshotOpensLargerUntilEscape() {
            const root = detailWith("sketchpad")
            const row = findChild(root.detail, "screenshots")
            waitForRendering(root)
            mouseClick(row.itemAtIndex(0))
            tryVerify(() => row.viewer.opened)
            keyClick(Qt.Key_Escape)
            tryVerify(() => !row.viewer.visible)
            compare(CatalogStore.selectedAppID, "sketchpad")    // Escape closed the picture, not the pane
        }

        function test_downloadShowsItsLineUntilCancelled() {
            Harness.holdDownloads("sketchpad")
            const root = detailWith("sketchpad")
            UpdateCoordinator.install(root.detail.content.app)
            const cancel = findChild(root.detail, "cancelButton")
            tryVerify(() => cancel.visible)
            compare(findChild(root.detail, "transferLine").text, "500 bytes of 1.0 kB")
            mouseClick(cancel)
            tryVerify(() => !cancel.visible)
            compare(findChild(root.detail, "primaryButton").text, "Install")
        }

        function test_goBackWhileACopyIsKept() {
            Harness.setInstalled({ "test.soon": "0.9" })
            Harness.keep("nolink", "0.8")
            const root = detailWith("nolink")
            waitForRendering(root)
            const more = findChild(root.detail, "moreActions")
            mouseClick(more)
            tryVerify(() => more.menu.opened)
            const goBack = findChild(more.menu.contentItem, "goBackItem")
            verify(goBack.visible)
            compare(goBack.text, "Go Back to 0.8")
            mouseClick(goBack)                              // nothing is kept afterwards
            tryVerify(() => !more.menu.visible && more.visible)
            more.menu.open()
            tryVerify(() => more.menu.opened)
            tryVerify(() => !goBack.visible)
        }

        function test_failureShowsUnderTheDescription() {
            const root = detailWith("nolink")
            UpdateCoordinator.install(root.detail.content.app)
            const failure = findChild(root.detail, "failureMessage")
            tryVerify(() => failure.visible)
            compare(failure.text, "This app has no download link yet.")
            compare(failure.color, Theme.orange)
        }

        function test_quitAlertForARunningApp() {
            const root = detailWith("batchwise")          // running, see the harness
            UpdateCoordinator.install(root.detail.content.app)
            tryVerify(() => root.quitAlert && root.quitAlert.opened)
            compare(root.quitAlert.title, "Quit Batchwise first")
            compare(root.quitAlert.message, "Batchwise is running. Quit it, then press Update again.")
            mouseClick(findChild(root.quitAlert.contentItem, "cancelButton"))
            tryVerify(() => !root.quitAlert)                // closed, and dropped with the app
            verify(!UpdateCoordinator.hasAppToQuitFirst)
            wait(50)
            verify(!root.quitAlert)                       // does not come back by itself
        }

        function test_uninstallAsksFirstAndHandsOverOnce() {
            const root = detailWith("batchwise")
            waitForRendering(root)
            const more = findChild(root.detail, "moreActions")
            mouseClick(more)
            tryVerify(() => more.menu.opened)
            mouseClick(findChild(more.menu.contentItem, "uninstallItem"))
            const dialog = root.detail.uninstallDialog
            uninstallSpy.target = dialog
            uninstallSpy.clear()
            tryVerify(() => dialog.opened)
            compare(dialog.title, "Move Batchwise to the Trash?")

            keyClick(Qt.Key_Escape)                       // answers the question, leaves the pane open
            tryVerify(() => !dialog.visible)
            compare(CatalogStore.selectedAppID, "batchwise")
            compare(uninstallSpy.count, 0)                // choosing the item alone removes nothing
            compare(dialog.app, null)

            root.detail.askToUninstall(root.detail.content.app)
            tryVerify(() => dialog.opened)
            mouseClick(findChild(dialog.contentItem, "confirmButton"))
            tryVerify(() => !dialog.visible)
            compare(uninstallSpy.count, 1)
            compare(uninstallSpy.signalArguments[0][0].id, "batchwise")
            compare(dialog.app, null)
        }
        function test_toastColours() {
            const warning = createTemporaryObject(toastComponent, scene,
                { toast: Harness.makeToast("Offline. Showing the built-in catalogue.", "shippingbox", true) })
            compare(warning.foreground, Theme.orange)
            const plain = createTemporaryObject(toastComponent, scene,
                { toast: Harness.makeToast("Catalogue updated", "arrow.down.circle", false) })
            compare(plain.foreground, Theme.primaryText)
        }

        function test_searchFieldWritesEveryKeystroke() {
            const root = detailWith("photolab")
            root.searchField.forceActiveFocus()
            keyClick(Qt.Key_P)
            compare(CatalogStore.searchText, "p")
            keyClick(Qt.Key_Space)
            compare(CatalogStore.searchText, "p ")
            keyClick(Qt.Key_Escape)                       // clears the search, leaves the pane open
            compare(CatalogStore.searchText, "")
            compare(root.searchField.text, "")
            compare(CatalogStore.selectedAppID, "photolab")
            keyClick(Qt.Key_Escape)
            compare(CatalogStore.selectedAppID, "")
        }

        function test_menuCommandsAndTheirKeys() {
            const content = createTemporaryObject(contentComponent, scene)
            const root = content.rootView
            waitForRendering(content)
            compare(content.menuBar.menuAt(1).itemAt(0).shortcutText, "Ctrl+R")
            compare(content.menuBar.menuAt(1).itemAt(1).shortcutText, "Ctrl+Alt+S")
            const longest = content.menuBar.menuAt(1).itemAt(1)   // its text and keys side by side
            verify(content.menuBar.menuAt(1).width >= longest.implicitWidth)
            verify(longest.implicitWidth > longest.contentItem.children[0].implicitWidth
                   + findChild(longest, "shortcutLabel").implicitWidth + longest.leftPadding + longest.rightPadding)
            // Quit's key is the platform's (none on this test platform): by the menu, by keyboard.
            const quits = Harness.quitRequests
            keyClick(Qt.Key_F, Qt.AltModifier)
            tryVerify(() => content.menuBar.menuAt(0).opened)
            keyClick(Qt.Key_Left)                         // round to the last menu and back
            tryVerify(() => content.menuBar.menuAt(2).opened && !content.menuBar.menuAt(0).visible)
            keyClick(Qt.Key_Right)
            tryVerify(() => content.menuBar.menuAt(0).opened && !content.menuBar.menuAt(2).visible)
            keyClick(Qt.Key_Down)
            keyClick(Qt.Key_Return)
            compare(Harness.quitRequests, quits + 1)

            root.searchField.forceActiveFocus()
            keyClick(Qt.Key_S, Qt.ControlModifier | Qt.AltModifier)
            verify(!root.sidebar.visible)
            verify(root.catalog.grid.activeFocus)         // not left behind on the hidden field
            compare(content.menuBar.menuAt(1).itemAt(1).text, "Show Sidebar")
            tryVerify(() => root.catalog.x < 1)           // the grid takes the sidebar's place
            mouseClick(findChild(root.catalog, "sidebarToggle"))
            verify(root.sidebar.visible)
            tryVerify(() => root.catalog.x >= 220)

            content.showAbout()
            tryVerify(() => content.aboutPanel.active)
            keyClick(Qt.Key_W, Qt.ControlModifier)
            tryVerify(() => !content.aboutPanel.visible)
            scene.Window.window.requestActivate()         // as a window manager would, for the next tests
            tryVerify(() => scene.Window.active)
        }

        function test_speaksGerman() {
            verify(Harness.useLanguage("de"))
            Harness.loadEmpty()                            // the sidebar's rows are made anew
            const root = createTemporaryObject(rootComponent, scene)
            compare(root.searchField.placeholderText, "Apps durchsuchen")
            root.sidebar.list.forceLayout()
            compare(root.sidebar.list.itemAtIndex(0).text, "Alle Apps")
            compare(findChild(root.catalog, "refreshButton").text, "Aktualisieren")
            compare(findChild(root.sidebar, "statusLine").status.message, "Aktuell")
        }

        function dragLine(root, x, to) {
            mousePress(root, x, 400)
            mouseMove(root, (x + to) / 2, 400, -1, Qt.LeftButton)
            mouseMove(root, to, 400, -1, Qt.LeftButton)
            mouseRelease(root, to, 400)
        }
        function test_columnLinesMoveWithinBounds() {
            const root = detailWith("photolab")
            tryVerify(() => root.detail !== null)
            const sidebarLine = root.catalog.x - 1
            dragLine(root, sidebarLine, sidebarLine + 40)
            compare(root.catalog.x, sidebarLine + 41)
            dragLine(root, root.catalog.x - 1, 5)
            compare(root.catalog.x, 221)                  // the sidebar's narrowest
            const paneLine = () => root.detail.mapToItem(root, 0, 0).x - 1
            dragLine(root, paneLine(), 1075)
            compare(root.detail.width, 300)               // the pane's narrowest
            dragLine(root, paneLine(), 300)
            compare(root.detail.width, 420)               // the pane's widest, the grid kept
            verify(root.catalog.width >= root.catalogMinimumWidth)
        }

        function test_textUsesTheProgramsFaces_data() {
            return [
                { tag: "body", font: Theme.body, style: "Regular" },
                { tag: "caption medium", font: Theme.captionMedium, style: "Medium" },
                { tag: "headline", font: Theme.headline, style: "Semi Bold" },
            ]
        }
        function test_textUsesTheProgramsFaces(data) {
            const text = createTemporaryQmlObject("import QtQuick; Text { text: \"Äg\" }", scene)
            text.font = data.font
            compare(text.fontInfo.family, "Inter Hub")
            compare(text.fontInfo.styleName, data.style)
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
        // Last by name, as tests run: the coordinator keeps the state for the rest of the file.
        function test_whileDownloadingTheButtonShowsProgress() {
            const root = detailWith("photolab")
            Harness.downloading("photolab", 0.427)
            const primary = findChild(root.detail, "primaryButton")
            compare(primary.text, "Downloading… 42%")
            verify(!primary.enabled)
            verify(!findChild(root.detail, "openButton").visible)
        }
    }
}
