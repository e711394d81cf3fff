import QtQuick
import Veltrane.Hub

// The main column: the section's title and count, the refresh button, and the grid of app
// cards or the placeholder that stands in for it.
Item {
    id: catalogView

    // Adaptive columns: as many as fit, each 280 to 420 wide, 16 apart.
    property int minimumCellWidth: 280
    property int maximumCellWidth: 420
    property int columnSpacing: 16
    property int rowSpacing: 16
    property int margin: 20

    readonly property catalogContent content: ViewRules.catalogContent(CatalogStore.phase,
        CatalogStore.appCount, CatalogStore.visibleApps.count, CatalogStore.searchText)
    readonly property alias grid: grid
    // The window's sidebar, which the leading toolbar button hides and shows.
    property bool sidebarShown: true
    signal sidebarToggleRequested

    Accessible.role: Accessible.Pane
    Accessible.name: CatalogStore.filterTitle

    Rectangle {
        id: toolbar
        anchors { left: parent.left; right: parent.right; top: parent.top }
        height: Theme.toolbarHeight
        color: Theme.barMaterial
        z: 1

        ToolbarButton {
            id: sidebarToggle
            objectName: "sidebarToggle"
            anchors { left: parent.left; leftMargin: 12; verticalCenter: parent.verticalCenter }
            text: catalogView.sidebarShown ? qsTr("Hide Sidebar") : qsTr("Show Sidebar")
            symbol: "sidebar.left"
            help: text
            onClicked: catalogView.sidebarToggleRequested()
        }

        Column {
            anchors { left: sidebarToggle.right; leftMargin: 8; verticalCenter: parent.verticalCenter }
            width: parent.width - x - 56
            spacing: 1
            Text {
                width: parent.width
                text: CatalogStore.filterTitle
                textFormat: Text.PlainText
                font: Theme.title
                color: Theme.primaryText
                elide: Text.ElideRight
                Accessible.role: Accessible.Heading
            }
            Text {
                text: catalogView.content.subtitle
                textFormat: Text.PlainText
                font: Theme.caption
                color: Theme.secondaryText
            }
        }

        ToolbarButton {
            objectName: "refreshButton"
            anchors { right: parent.right; rightMargin: 12; verticalCenter: parent.verticalCenter }
            text: qsTr("Refresh")
            symbol: "arrow.clockwise"
            help: ViewRules.refreshHelp
            // Prefetches the apps with updates once the refresh and its toast are over.
            onClicked: CatalogStore.startLoad(CatalogStore.RefreshThenPrefetch)
        }

        Rectangle {
            anchors { left: parent.left; right: parent.right; bottom: parent.bottom }
            height: 1
            color: Theme.separator
        }
    }

    Rectangle {
        id: area
        anchors { left: parent.left; right: parent.right; top: toolbar.bottom; bottom: parent.bottom }
        color: Theme.secondaryBackground

        readonly property int available: width - 2 * catalogView.margin
        readonly property int columns: Math.max(1, Math.floor((available + catalogView.columnSpacing)
                                                             / (catalogView.minimumCellWidth + catalogView.columnSpacing)))
        readonly property real cardWidth: Math.max(catalogView.minimumCellWidth, Math.min(catalogView.maximumCellWidth,
            (available - (columns - 1) * catalogView.columnSpacing) / columns))
        readonly property real usedWidth: columns * cardWidth + (columns - 1) * catalogView.columnSpacing

        // A card is as high as its taller side: the icon, or the name over two tagline lines.
        // With the faces the program ships the icon is taller (56 against 17 + 4 + 2 × 16), so
        // every card, one tagline line or two, has this height and all rows are alike.
        FontMetrics { id: headlineMetrics; font: Theme.headline }
        FontMetrics { id: subheadlineMetrics; font: Theme.subheadline }
        readonly property real cardHeight: 2 * Theme.cardInset + Math.max(Theme.cardIcon,
            Math.ceil(headlineMetrics.height) + 4 + 2 * Math.ceil(subheadlineMetrics.height))

        GridView {
            id: grid
            objectName: "grid"
            visible: catalogView.content.showsGrid
            // 4 more on the left for the focus ring around the first column's cards.
            x: catalogView.margin + Math.max(0, (area.available - area.usedWidth) / 2) - 4
            width: area.columns * cellWidth + 4
            leftMargin: 4
            height: parent.height
            topMargin: catalogView.margin
            bottomMargin: catalogView.margin - catalogView.rowSpacing
            cellWidth: area.cardWidth + catalogView.columnSpacing
            cellHeight: area.cardHeight + catalogView.rowSpacing
            clip: true
            boundsBehavior: Flickable.StopAtBounds
            reuseItems: true
            cacheBuffer: cellHeight * 2
            model: CatalogStore.visibleApps
            currentIndex: CatalogStore.visibleApps.selectedRow
            highlightFollowsCurrentItem: false
            keyNavigationEnabled: false
            activeFocusOnTab: true
            Accessible.role: Accessible.List
            Accessible.name: CatalogStore.filterTitle

            function select(index) {
                if (index < 0 || index >= count)
                    return
                CatalogStore.selectedAppID = CatalogStore.visibleApps.idAt(index)
                positionViewAtIndex(index, GridView.Contain)
            }
            // From the selected card, as the store knows it: the view moves its own current
            // index as rows come and go.
            function move(step) {
                const from = CatalogStore.visibleApps.selectedRow
                select(from < 0 ? 0 : Math.max(0, Math.min(count - 1, from + step)))
            }
            // Keep the selected card in sight, however it was selected and however the
            // columns change (the detail pane opening narrows the grid).
            function keepSelectionInSight() {
                if (currentIndex >= 0)
                    positionViewAtIndex(currentIndex, GridView.Contain)
            }
            onCurrentIndexChanged: sightTimer.restart()
            onCellWidthChanged: sightTimer.restart()
            onWidthChanged: sightTimer.restart()
            // Once the layout has settled.
            Timer {
                id: sightTimer
                interval: 0
                onTriggered: grid.keepSelectionInSight()
            }
            Keys.onLeftPressed: move(-1)
            Keys.onRightPressed: move(1)
            Keys.onUpPressed: move(-area.columns)
            Keys.onDownPressed: move(area.columns)

            // One handler for all cards: a click on a card (not between cards) selects it.
            TapHandler {
                onTapped: (eventPoint) => {
                    const x = eventPoint.position.x + grid.contentX
                    const y = eventPoint.position.y + grid.contentY
                    const index = grid.indexAt(x, y)
                    const card = grid.itemAtIndex(index)
                    if (card === null || x - card.x > card.width || y - card.y > card.height)
                        return
                    grid.select(index)
                    grid.forceActiveFocus()
                }
            }

            // The cell holds the card and the spacing after it.
            delegate: AppCard {
                id: cell
                width: (cell.GridView.view as GridView).cellWidth - 16
                height: (cell.GridView.view as GridView).cellHeight - 16
                isSelected: cell.app.id === CatalogStore.selectedAppID
            }

            // Around the card the keyboard is at (the selected one, or the first while none is
            // shown), so it reads apart from the selection's border. One for the grid rather
            // than one per card; placed by the grid's own arithmetic, so it is right before
            // the card is made.
            Rectangle {
                objectName: "focusRing"
                // With the cards, so it scrolls with them.
                parent: grid.contentItem
                readonly property int index: Math.max(0, CatalogStore.visibleApps.selectedRow)
                visible: grid.activeFocus && index < grid.count
                x: index % area.columns * grid.cellWidth - 4
                y: Math.floor(index / area.columns) * grid.cellHeight - 4
                z: 1
                width: grid.cellWidth - catalogView.columnSpacing + 8
                height: grid.cellHeight - catalogView.rowSpacing + 8
                radius: Theme.cardRadius + 4
                color: "transparent"
                border.width: 3
                border.color: Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.45)
            }
        }

        ScrollTrack {
            anchors { right: parent.right; top: parent.top; bottom: parent.bottom }
            flickable: grid
        }

        // Only the placeholder shown is made, and only while it is. The placeholders read the
        // store themselves: a Loader makes its item in a context of its own.
        Loader {
            anchors.fill: parent
            active: catalogView.content.showsUnavailable
            sourceComponent: Placeholder {
                symbol: "wifi.exclamationmark"
                title: qsTr("Catalogue unavailable")
                description: CatalogStore.phase.message
                actionTitle: qsTr("Try Again")
                onActionTriggered: CatalogStore.startLoad(CatalogStore.Refresh)
            }
        }

        Loader {
            anchors.centerIn: parent
            active: catalogView.content.showsLoading
            sourceComponent: Column {
                spacing: 12
                BusySpinner {
                    anchors.horizontalCenter: parent.horizontalCenter
                    size: 40
                    color: Theme.secondaryText
                }
                Text {
                    text: qsTr("Loading catalogue…")
                    textFormat: Text.PlainText
                    font: Theme.callout
                    color: Theme.secondaryText
                }
            }
        }

        Loader {
            anchors.fill: parent
            active: catalogView.content.showsEmptySection
            sourceComponent: Placeholder {
                symbol: "tray"
                title: qsTr("No apps here yet")
                description: qsTr("This category is empty.")
            }
        }

        Loader {
            anchors.fill: parent
            active: catalogView.content.showsEmptySearch
            sourceComponent: Placeholder {
                symbol: "magnifyingglass"
                title: ViewRules.catalogContent(CatalogStore.phase, CatalogStore.appCount,
                                                CatalogStore.visibleApps.count, CatalogStore.searchText).searchTitle
                description: qsTr("Check the spelling or try a new search.")
            }
        }
    }
}
