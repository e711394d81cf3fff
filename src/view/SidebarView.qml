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

        function pick(index) {
            if (index >= 0 && index < count)
                CatalogStore.filter = CatalogStore.sections.filterAt(index)
        }
        Keys.onUpPressed: pick(Math.max(0, currentIndex - 1))
        Keys.onDownPressed: pick(currentIndex < 0 ? 0 : Math.min(count - 1, currentIndex + 1))

        delegate: Column {
            id: rowItem
            required property string text
            required property string symbol
            required property int count
            required property filter filter
            required property string header
            required property int index
            readonly property string badge: count > 0 ? String(count) : ""
            readonly property bool selected: index === ListView.view.currentIndex
            readonly property bool listHasFocus: ListView.view.activeFocus
            width: ListView.view.width

            Text {
                visible: rowItem.header.length > 0
                leftPadding: 18
                topPadding: 14
                bottomPadding: 4
                text: rowItem.header
                font: Theme.captionMedium
                color: Theme.secondaryText
                Accessible.role: Accessible.Heading
            }

            Item {
                width: parent.width
                height: 30
                Accessible.role: Accessible.ListItem
                Accessible.name: rowItem.text
                Accessible.description: rowItem.badge
                Accessible.selected: rowItem.selected

                Rectangle {
                    anchors { fill: parent; leftMargin: 8; rightMargin: 8 }
                    radius: 6
                    color: rowItem.selected ? (rowItem.listHasFocus ? Theme.accent : Theme.selectionFill)
                                            : (hover.hovered ? Theme.hoverFill : "transparent")
                }
                SymbolIcon {
                    id: rowIcon
                    anchors { left: parent.left; leftMargin: 18; verticalCenter: parent.verticalCenter }
                    name: rowItem.symbol
                    size: 16
                    color: rowItem.selected && rowItem.listHasFocus ? "white" : Theme.accent
                }
                Text {
                    anchors { left: rowIcon.right; leftMargin: 8; right: badge.left; rightMargin: 6
                              verticalCenter: parent.verticalCenter }
                    text: rowItem.text
                    font: Theme.body
                    color: rowItem.selected && rowItem.listHasFocus ? "white" : Theme.primaryText
                    elide: Text.ElideRight
                }
                Text {
                    id: badge
                    anchors { right: parent.right; rightMargin: 18; verticalCenter: parent.verticalCenter }
                    visible: text.length > 0
                    text: rowItem.badge
                    font: Theme.caption
                    color: rowItem.selected && rowItem.listHasFocus ? "white" : Theme.secondaryText
                }
                HoverHandler { id: hover }
                TapHandler {
                    onTapped: {
                        rowItem.ListView.view.forceActiveFocus()
                        CatalogStore.filter = rowItem.filter
                    }
                }
            }
        }
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
