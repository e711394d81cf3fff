import QtQuick
import QtTest
import Veltrane.Hub
import Veltrane.Hub.Testing

// TestCase itself is invisible; the views under test live in this visible scene.
Item {
    id: scene
    width: 300
    height: 600

    TestCase {
        id: testCase
        name: "Sidebar"
        when: windowShown

        Component {
            id: sidebarComponent
            SidebarView { width: 240; height: 600 }
        }

        function init() { Harness.reset() }

        function rowTexts(view) {
            return view.rows.map(row => row.text + "=" + row.badge)
        }

        function test_rowsAndBadges() {
            const view = createTemporaryObject(sidebarComponent, scene)
            compare(rowTexts(view), ["All Apps=5", "Featured=1", "Updates=1", "Photography=3", "Tools=2", "Games="])
            compare(view.list.count, 6)
        }

        function test_updatesRowFollowsInstalledApps() {
            const view = createTemporaryObject(sidebarComponent, scene)
            Harness.setInstalled({ "test.batchwise": "1.3.0" })
            compare(rowTexts(view), ["All Apps=5", "Featured=1", "Photography=3", "Tools=2", "Games="])
            Harness.setInstalled({ "test.photolab": "1.0", "test.sketchpad": "0.5" })
            compare(rowTexts(view)[2], "Updates=2")
        }

        function test_emptyCatalogue() {
            const view = createTemporaryObject(sidebarComponent, scene)
            Harness.loadEmpty()
            compare(rowTexts(view), ["All Apps=", "Featured="])
        }

        function test_pickingARowSetsTheFilter() {
            const view = createTemporaryObject(sidebarComponent, scene)
            waitForRendering(view)
            const tools = view.list.itemAtIndex(4)
            verify(tools)
            mouseClick(tools)
            compare(CatalogStore.filter.kind, Filter.Category)
            compare(CatalogStore.filter.categoryID, "tools")
            compare(view.list.currentIndex, 4)
            // Arrow keys move the pick.
            keyClick(Qt.Key_Up)
            compare(CatalogStore.filter.categoryID, "photo")
            keyClick(Qt.Key_Up)
            compare(CatalogStore.filter.kind, Filter.Updates)
        }

        function test_statusLine() {
            const view = createTemporaryObject(sidebarComponent, scene)
            const status = findChild(view, "statusLine")
            verify(status)
            compare(status.status.message, "Offline · bundled catalogue")
            compare(status.status.symbol, "shippingbox")
        }
    }
}
