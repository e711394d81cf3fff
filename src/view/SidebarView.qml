import QtQuick
import Veltrane.Hub

// The sections and categories to pick from, each with its count, and the catalogue's status
// at the foot. The pick is the store's filter; there is always exactly one.
Item {
    id: sidebar

    readonly property alias list: list

    Accessible.role: Accessible.Pane
    Accessible.name: qsTr("Sections")

    ListView {
        id: list
        objectName: "sidebarList"
        anchors { left: parent.left; right: parent.right; top: parent.top; bottom: foot.top }
        topMargin: 4
        bottomMargin: 8
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        model: CatalogStore.sections
        currentIndex: CatalogStore.sections.selectedRow
        highlightFollowsCurrentItem: false
        keyNavigationEnabled: false
        activeFocusOnTab: true
        Accessible.role: Accessible.List
        Accessible.name: qsTr("Sections")

        // The row under a point of the list, or -1 over a group's title and below the rows.
        function rowAt(point: point): int {
            const index = indexAt(point.x + contentX, point.y + contentY)
            const row = itemAtIndex(index)
            return row !== null && point.y + contentY >= row.y ? index : -1
        }
        function pick(index) {
            if (index >= 0 && index < count)
                CatalogStore.filter = CatalogStore.sections.filterAt(index)
        }
        Keys.onUpPressed: pick(Math.max(0, currentIndex - 1))
        Keys.onDownPressed: pick(currentIndex < 0 ? 0 : Math.min(count - 1, currentIndex + 1))

        // The list draws the selection and the hover once, under the rows, and takes their
        // clicks: each row is only its symbol and texts.
        readonly property int hoveredRow: hover.hovered ? rowAt(hover.point.position) : -1
        HoverHandler { id: hover }
        TapHandler {
            onTapped: (eventPoint) => {
                const index = list.rowAt(eventPoint.position)
                if (index < 0)
                    return
                list.forceActiveFocus()
                list.pick(index)
            }
        }
        RowBackground {
            parent: list.contentItem
            row: list.hoveredRow === list.currentIndex ? null : list.itemAtIndex(list.hoveredRow)
            color: Theme.hoverFill
        }
        RowBackground {
            objectName: "selection"
            parent: list.contentItem
            row: list.currentItem
            color: list.activeFocus ? Theme.accent : Theme.selectionFill
        }

        section.property: "header"
        section.delegate: Text {
            required property string section
            // The sections above the categories have no title.
            height: section.length > 0 ? implicitHeight : 0
            leftPadding: 18
            topPadding: 14
            bottomPadding: 4
            text: section
            textFormat: Text.PlainText
            font: Theme.captionMedium
            color: Theme.secondaryText
            Accessible.role: Accessible.Heading
            Accessible.ignored: section.length === 0
        }

        delegate: Item {
            id: rowItem
            required property string text
            required property string symbol
            required property int count
            required property int index
            readonly property string badge: count > 0 ? String(count) : ""
            readonly property bool selected: index === ListView.view.currentIndex
            readonly property bool inverted: selected && (ListView.view as ListView).activeFocus
            width: ListView.view.width
            height: 30
            Accessible.role: Accessible.ListItem
            Accessible.name: rowItem.text
            Accessible.description: rowItem.badge
            Accessible.selected: rowItem.selected

            SymbolIcon {
                id: rowIcon
                anchors { left: parent.left; leftMargin: 18; verticalCenter: parent.verticalCenter }
                name: rowItem.symbol
                size: 16
                color: rowItem.inverted ? "white" : Theme.accent
            }
            Text {
                // From the row's edge, not the icon's: the icon's anchors place it only after
                // this text is first laid out, and would lay it out again.
                anchors { left: parent.left; leftMargin: rowIcon.anchors.leftMargin + rowIcon.width + 8
                          right: badgeText.left; rightMargin: 6; verticalCenter: parent.verticalCenter }
                text: rowItem.text
                textFormat: Text.PlainText
                font: Theme.body
                color: rowItem.inverted ? "white" : Theme.primaryText
                elide: Text.ElideRight
            }
            Text {
                id: badgeText
                anchors { right: parent.right; rightMargin: 18; verticalCenter: parent.verticalCenter }
                visible: text.length > 0
                text: rowItem.badge
                textFormat: Text.PlainText
                font: Theme.caption
                color: rowItem.inverted ? "white" : Theme.secondaryText
            }
        }
    }
    // The rounded fill behind one row, inset from the list's edges; none without a row. Among
    // the rows (the list's content item), so it scrolls with them.
    component RowBackground: Rectangle {
        property Item row
        visible: row !== null
        x: 8
        y: row?.y ?? 0
        z: -1
        width: (row?.width ?? 16) - 16
        height: row?.height ?? 0
        radius: 6
    }
    ScrollTrack {
        anchors { right: list.right; top: list.top; bottom: list.bottom }
        flickable: list
    }

    Rectangle {
        id: foot
        anchors { left: parent.left; right: parent.right; bottom: parent.bottom }
        height: 1 + 8 + statusLine.implicitHeight + 8
        color: Theme.barMaterial

        Rectangle {
            anchors { left: parent.left; right: parent.right; top: parent.top }
            height: 1
            color: Theme.separator
        }
        CatalogStatusView {
            id: statusLine
            objectName: "statusLine"
            anchors { left: parent.left; leftMargin: 12; right: parent.right; rightMargin: 12
                      top: parent.top; topMargin: 9 }
        }
    }
}
