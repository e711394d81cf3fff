import QtQuick
import QtTest
import Veltrane.Hub
import Veltrane.Hub.Testing

// A catalogue of 200 apps: the grid builds only the cards in sight, scrolls to the end, and
// a search narrows it on every keystroke.
Item {
    id: scene
    width: 1080
    height: 720

    TestCase {
        id: testCase
        name: "ManyApps"
        when: windowShown

        Component {
            id: catalogComponent
            CatalogView { width: 900; height: 700 }
        }

        function cleanup() { Harness.reset() }

        function test_gridBuildsOnlyWhatIsInSight() {
            Harness.loadMany(200)
            const view = createTemporaryObject(catalogComponent, scene)
            waitForRendering(view)
            compare(view.grid.count, 200)
            verify(view.grid.contentItem.children.length < 60)
            view.grid.positionViewAtEnd()
            waitForRendering(view)
            verify(view.grid.itemAtIndex(199) !== null)
        }

        function test_searchNarrowsOnEveryKeystroke() {
            Harness.loadMany(200)
            const view = createTemporaryObject(catalogComponent, scene)
            const counts = []
            for (const text of ["1", "12", "12 "]) {
                CatalogStore.searchText = text
                counts.push(view.grid.count)
            }
            // Every number from 1 to 200 with the digit 1 in it; then 12, 112, 120 to 129.
            compare(counts, [119, 12, 12])
        }
    }
}
