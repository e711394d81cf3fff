import QtQuick
import QtQuick.Controls.Basic
import Veltrane.Hub

// The search field of the sidebar, bound both ways to the store's search text as typed.
TextField {
    id: field

    placeholderText: qsTr("Search apps")
    text: CatalogStore.searchText
    onTextEdited: CatalogStore.searchText = text
    font: Theme.body
    color: Theme.primaryText
    placeholderTextColor: Theme.tertiaryText
    selectionColor: Theme.selectionFill
    selectedTextColor: Theme.primaryText
    leftPadding: 30
    rightPadding: 8
    implicitHeight: 30
    Accessible.role: Accessible.EditableText
    Accessible.name: qsTr("Search apps")

    // Escape clears a search first; on an empty field it keeps its meaning for the window
    // (closing the detail pane), so the field only claims the key while it holds text.
    Keys.onShortcutOverride: (event) => event.accepted = event.key === Qt.Key_Escape && text.length > 0
    Keys.onEscapePressed: (event) => {
        event.accepted = text.length > 0
        if (event.accepted)
            CatalogStore.searchText = ""
    }

    background: Rectangle {
        radius: 7
        color: Theme.textBackground
        border.width: field.activeFocus ? 2 : 1
        border.color: field.activeFocus ? Qt.lighter(Theme.accent, 1.2) : Theme.separator
        SymbolIcon {
            anchors { left: parent.left; leftMargin: 9; verticalCenter: parent.verticalCenter }
            name: "magnifyingglass"
            size: 14
            color: Theme.secondaryText
        }
    }
}
