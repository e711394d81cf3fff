import QtQuick
import QtTest
import Veltrane.Hub
import Veltrane.Hub.Testing

// The sidebar and the catalogue column. Catches:
// - a wrong subtitle count or placeholder for a section or search, or the grid shown over an empty list
// - a click or an arrow key that selects the wrong card, or a click that deselects; a grid
//   that, reached by keyboard, does not ring the selected card and move from it
// - a card label that does not follow the installed copies, or that stands apart from the name
// - a grid that builds every card of a large catalogue instead of those in sight
// - a wrong sidebar row, text or badge, an Updates row that does not come and go with the updates
// - a click or an arrow key in the sidebar that picks the wrong section
// - a status line that does not say where the catalogue came from
Item {
    id: scene
    width: 1200
    height: 700

    TestCase {
        name: "Columns"
        when: windowShown

        Component {
            id: catalogComponent
            CatalogView { width: 900; height: 700 }
        }
        Component {
            id: sidebarComponent
            SidebarView { width: 240; height: 600 }
        }

        function init() { Harness.reset() }

        // The texts on screen under item, in order.
        function shownTexts(item) {
            if (!item.visible)
                return []
            let texts = String(item).startsWith("QQuickText(") ? [item.text] : []
            for (let i = 0; i < item.children.length; ++i)
                texts = texts.concat(shownTexts(item.children[i]))
            return texts
        }

        function test_contentAndSubtitle_data() {
            return [
                { tag: "all", category: "", search: "", subtitle: "5 apps", shows: [] },
                { tag: "category", category: "tools", search: "", subtitle: "2 apps", shows: [] },
                { tag: "one found", category: "", search: "sketch", subtitle: "1 app", shows: [] },
                { tag: "spaces match all", category: "", search: "  ", subtitle: "5 apps", shows: [] },
                { tag: "nothing found", category: "", search: "zzz", subtitle: "0 apps",
                  shows: ["No Results for “zzz”", "Check the spelling or try a new search."] },
                { tag: "empty category", category: "games", search: "", subtitle: "0 apps",
                  shows: ["No apps here yet", "This category is empty."] },
                { tag: "empty category, spaces", category: "games", search: " ", subtitle: "0 apps",
                  shows: ["No Results for “ ”", "Check the spelling or try a new search."] },
            ]
        }
        function test_contentAndSubtitle(data) {
            const view = createTemporaryObject(catalogComponent, scene)
            if (data.category.length > 0)
                CatalogStore.filter = Harness.categoryFilter(data.category)
            CatalogStore.searchText = data.search
            compare(view.content.subtitle, data.subtitle)
            compare(view.grid.visible, data.shows.length === 0)
            const texts = shownTexts(view)
            for (const text of data.shows)
                verify(texts.includes(text), text)
        }

        function textItems(item) {
            let items = String(item).startsWith("QQuickText(") ? [item] : []
            for (let i = 0; i < item.children.length; ++i)
                items = items.concat(textItems(item.children[i]))
            return items
        }

        // Typed and catalogue text is shown as it stands: as markup, "<b>" would vanish and
        // the line would be narrower than its plain twin.
        function test_textIsNeverMarkup() {
            const view = createTemporaryObject(catalogComponent, scene)
            CatalogStore.searchText = "<b>zzz</b>"
            const title = textItems(view).find(item => item.visible && item.text.includes("zzz"))
            const plain = createTemporaryQmlObject("import QtQuick; Text { textFormat: Text.PlainText }", scene)
            plain.font = title.font
            plain.text = title.text
            compare(title.implicitWidth, plain.implicitWidth)
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

        function test_keyboardStartsAtTheSelection() {
            const view = createTemporaryObject(catalogComponent, scene)
            CatalogStore.selectedAppID = "photolab"               // third by name
            tryVerify(() => view.grid.itemAtIndex(4) !== null)
            const ring = findChild(view.grid, "focusRing")
            const around = (card) => {
                const corner = ring.mapToItem(card, 0, 0)
                return ring.visible && corner.x === -4 && corner.y === -4
                       && ring.width === card.width + 8 && ring.height === card.height + 8
            }
            const ringed = () => [0, 1, 2, 3, 4].filter(i => around(view.grid.itemAtIndex(i)))
            compare(ringed(), [])
            view.grid.forceActiveFocus()
            compare(ringed(), [2])
            Harness.setInstalled({ "test.photolab": "2.4" })     // an install ends: its row changes in place
            verify(view.grid.activeFocus)
            compare(ringed(), [2])
            keyClick(Qt.Key_Right)
            compare(CatalogStore.selectedAppID, "sketchpad")
        }

        function test_cardLabelsFollowTheInstalledCopies() {
            const view = createTemporaryObject(catalogComponent, scene)
            tryVerify(() => view.grid.itemAtIndex(4) !== null)
            const label = text => text === "Installed" || text.includes("→")
            const labels = () => [0, 1, 2, 3, 4].map(i => shownTexts(view.grid.itemAtIndex(i)).filter(label).join())
            compare(labels(), ["Installed", "", "2.3 → 2.4", "", ""])
            Harness.setInstalled({ "test.photolab": "2.4", "test.sketchpad": "2.0" })
            compare(labels(), ["", "", "Installed", "Installed", ""])
        }

        // The first text item under item that reads text.
        function textItem(item, text) {
            if (String(item).startsWith("QQuickText(") && item.text === text)
                return item
            for (let i = 0; i < item.children.length; ++i) {
                const found = textItem(item.children[i], text)
                if (found)
                    return found
            }
            return null
        }

        function test_cardLabelFollowsTheName() {
            const view = createTemporaryObject(catalogComponent, scene)
            tryVerify(() => view.grid.itemAtIndex(2) !== null)
            const card = view.grid.itemAtIndex(2)
            const name = textItem(card, "Photo Lab")
            const label = textItem(card, "2.3 → 2.4")
            const nameEnd = name.mapToItem(card, name.contentWidth, 0).x
            const labelStart = label.parent.mapToItem(card, 0, 0).x
            fuzzyCompare(labelStart, nameEnd + 8, 0.5)
            verify(label.mapToItem(card, label.width, 0).x <= card.width - Theme.cardInset)
        }

        function test_largeCatalogueBuildsOnlyWhatIsInSight() {
            Harness.loadMany(200)
            const view = createTemporaryObject(catalogComponent, scene)
            waitForRendering(view)
            wait(200)  // the cards beyond sight that the grid keeps are made over several frames
            compare(view.grid.count, 200)
            verify(view.grid.contentItem.children.length < 60)
            view.grid.positionViewAtEnd()
            waitForRendering(view)
            verify(view.grid.itemAtIndex(199) !== null)
        }

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
            const selection = findChild(view.list, "selection")
            compare(selection.mapToItem(view.list.itemAtIndex(4), 0, 0), Qt.point(8, 0))
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
