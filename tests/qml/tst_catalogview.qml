import QtQuick
import QtTest
import Veltrane.Hub
import Veltrane.Hub.Testing

// TestCase itself is invisible; the views under test live in this visible scene.
Item {
    id: scene
    width: 1200
    height: 700

    TestCase {
        id: testCase
        name: "CatalogView"
        when: windowShown

        Component {
            id: catalogComponent
            CatalogView { width: 900; height: 700 }
        }

        function init() { Harness.reset() }

        function test_subtitleCountsVisibleApps() {
            const view = createTemporaryObject(catalogComponent, scene)
            compare(view.content.subtitle, "5 apps")
            CatalogStore.filter = CatalogStore.categoryFilter("tools")
            compare(view.content.subtitle, "2 apps")
            CatalogStore.searchText = "sketch"
            compare(view.content.subtitle, "0 apps")
            CatalogStore.filter = CatalogStore.allFilter()
            compare(view.content.subtitle, "1 app")
            verify(view.content.showsGrid)
        }

        function test_placeholders() {
            const view = createTemporaryObject(catalogComponent, scene)
            CatalogStore.filter = CatalogStore.categoryFilter("games")
            verify(view.content.showsEmptySection)
            CatalogStore.searchText = " "
            verify(view.content.showsEmptySearch)
            CatalogStore.filter = CatalogStore.allFilter()
            verify(view.content.showsGrid)     // spaces alone match everything
            CatalogStore.searchText = "zzz"
            verify(view.content.showsEmptySearch)
            compare(view.content.searchTitle, "No Results for “zzz”")
            CatalogStore.searchText = ""
            CatalogStore.filter = CatalogStore.updatesFilter()
            Harness.setInstalled({})
            verify(view.content.showsEmptySection)
            verify(!view.grid.visible)
        }

        function test_adaptiveColumns_data() {
            return [
                { tag: "two, capped at 420", width: 900, cell: 420 + 16 },
                { tag: "three, stretched", width: 1200, cell: (1160 - 32) / 3 + 16 },
                { tag: "one", width: 500, cell: 420 + 16 },
                { tag: "one, at the minimum", width: 320, cell: 280 + 16 },
            ]
        }
        function test_adaptiveColumns(data) {
            const view = createTemporaryObject(catalogComponent, scene, { width: data.width })
            fuzzyCompare(view.grid.cellWidth, data.cell, 0.001)
            verify(view.grid.x >= 20)
        }

        function test_clickAndArrowsSelect() {
            const view = createTemporaryObject(catalogComponent, scene)
            waitForRendering(view)
            tryVerify(() => view.grid.itemAtIndex(0) !== null)
            mouseClick(view.grid.itemAtIndex(1))
            compare(CatalogStore.selectedAppID, "nobundle")       // Loose Tool: second by name
            mouseClick(view.grid.itemAtIndex(1))
            compare(CatalogStore.selectedAppID, "nobundle")       // no deselection by click
            keyClick(Qt.Key_Right)
            compare(CatalogStore.selectedAppID, "photolab")
            keyClick(Qt.Key_Up)
            compare(CatalogStore.selectedAppID, "batchwise")      // one row up in two columns
            compare(view.grid.currentIndex, 0)
        }

        function test_cardStatusLabels() {
            const view = createTemporaryObject(catalogComponent, scene)
            waitForRendering(view)
            tryVerify(() => view.grid.itemAtIndex(4) !== null)
            const labels = []
            for (let i = 0; i < 5; ++i)
                labels.push(view.grid.itemAtIndex(i).children[0].status.text)
            compare(labels, ["Installed", "", "2.3 → 2.4", "", ""])
            Harness.setInstalled({ "test.photolab": "2.4" })
            compare(view.grid.itemAtIndex(2).children[0].status.text, "Installed")
        }
    }
}
