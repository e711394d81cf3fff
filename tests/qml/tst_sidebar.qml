import QtQuick
import QtTest
import Veltrane.Hub
import Veltrane.Hub.Testing

// The sidebar. Catches:
// - a wrong row, text or badge, an Updates row that does not come and go with the updates
// - a click or an arrow key that picks the wrong section
// - a status line that does not say where the catalogue came from
Item {
    id: scene
    width: 300
    height: 600

    TestCase {
        name: "Sidebar"
        when: windowShown

        Component {
            id: sidebarComponent
            SidebarView { width: 240; height: 600 }
        }

        function init() { Harness.reset() }

        function rows(view) {
            const texts = []
            view.list.forceLayout()
            for (let i = 0; i < view.list.count; ++i) {
                const row = view.list.itemAtIndex(i)
                texts.push(row.text + "=" + row.badge)
            }
            return texts
        }

        function test_rowsAndBadges() {
            const view = createTemporaryObject(sidebarComponent, scene)
            compare(rows(view), ["All Apps=5", "Featured=1", "Updates=1", "Photography=3", "Tools=2", "Games="])
            Harness.setInstalled({ "test.batchwise": "1.3.0" })
            compare(rows(view), ["All Apps=5", "Featured=1", "Photography=3", "Tools=2", "Games="])
            Harness.setInstalled({ "test.photolab": "1.0", "test.sketchpad": "0.5" })
            compare(rows(view)[2], "Updates=2")
            Harness.loadEmpty()
            compare(rows(view), ["All Apps=", "Featured="])
        }

        function test_pickingARowSetsTheFilter() {
            const view = createTemporaryObject(sidebarComponent, scene)
            waitForRendering(view)
            mouseClick(view.list.itemAtIndex(4))
            compare(CatalogStore.filter.kind, Filter.Category)
            compare(CatalogStore.filter.categoryID, "tools")
            compare(view.list.currentIndex, 4)
            keyClick(Qt.Key_Up)
            compare(CatalogStore.filter.categoryID, "photo")
            keyClick(Qt.Key_Up)
            compare(CatalogStore.filter.kind, Filter.Updates)
        }

        function test_statusLine() {
            const status = findChild(createTemporaryObject(sidebarComponent, scene), "statusLine")
            compare(status.status.message, "Offline · bundled catalogue")
            compare(status.status.symbol, "shippingbox")
        }
    }
}
