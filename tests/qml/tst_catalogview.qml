import QtQuick
import QtTest
import Veltrane.Hub
import Veltrane.Hub.Testing

// The catalogue column. Catches:
// - a wrong subtitle count or placeholder for a section or search, or the grid shown over an empty list
// - a click or an arrow key that selects the wrong card, or a click that deselects
// - a card label that does not follow the installed copies
// - a grid that builds every card of a large catalogue instead of those in sight
Item {
    id: scene
    width: 1200
    height: 700

    TestCase {
        name: "CatalogView"
        when: windowShown

        Component {
            id: catalogComponent
            CatalogView { width: 900; height: 700 }
        }

        function init() { Harness.reset() }

        function test_contentAndSubtitle_data() {
            return [
                { tag: "all", category: "", search: "", subtitle: "5 apps", shows: "grid" },
                { tag: "category", category: "tools", search: "", subtitle: "2 apps", shows: "grid" },
                { tag: "one found", category: "", search: "sketch", subtitle: "1 app", shows: "grid" },
                { tag: "nothing found", category: "", search: "zzz", subtitle: "0 apps", shows: "search" },
                { tag: "spaces match all", category: "", search: "  ", subtitle: "5 apps", shows: "grid" },
                { tag: "empty category", category: "games", search: "", subtitle: "0 apps", shows: "section" },
                { tag: "empty category, spaces", category: "games", search: " ", subtitle: "0 apps", shows: "search" },
            ]
        }
        function test_contentAndSubtitle(data) {
            const view = createTemporaryObject(catalogComponent, scene)
            if (data.category.length > 0)
                CatalogStore.filter = Harness.categoryFilter(data.category)
            CatalogStore.searchText = data.search
            compare(view.content.subtitle, data.subtitle)
            compare(view.grid.visible, data.shows === "grid")
            compare(view.content.showsEmptySection, data.shows === "section")
            compare(view.content.showsEmptySearch, data.shows === "search")
            if (data.search === "zzz")
                compare(view.content.searchTitle, "No Results for “zzz”")
        }

        function test_clickAndArrowsSelect() {
            const view = createTemporaryObject(catalogComponent, scene)
            tryVerify(() => view.grid.itemAtIndex(1) !== null)
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

        function test_cardLabelsFollowTheInstalledCopies() {
            const view = createTemporaryObject(catalogComponent, scene)
            tryVerify(() => view.grid.itemAtIndex(4) !== null)
            const labels = () => [0, 1, 2, 3, 4].map(i => view.grid.itemAtIndex(i).status.text)
            compare(labels(), ["Installed", "", "2.3 → 2.4", "", ""])
            Harness.setInstalled({ "test.photolab": "2.4", "test.sketchpad": "2.0" })
            compare(labels(), ["", "", "Installed", "Installed", ""])
        }

        function test_largeCatalogueBuildsOnlyWhatIsInSight() {
            Harness.loadMany(200)
            const view = createTemporaryObject(catalogComponent, scene)
            waitForRendering(view)
            compare(view.grid.count, 200)
            verify(view.grid.contentItem.children.length < 60)
            view.grid.positionViewAtEnd()
            waitForRendering(view)
            verify(view.grid.itemAtIndex(199) !== null)
        }
    }
}
