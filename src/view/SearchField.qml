import QtQuick
import Veltrane.Hub

// The search field of the sidebar, bound both ways to the store's search text as typed.
// Drawn from a plain text input: it is in the window from the start.
TextInput {
    id: field

    property string placeholderText: qsTr("Search apps")

    text: CatalogStore.searchText
    onTextEdited: CatalogStore.searchText = text
    font: Theme.body
    color: Theme.primaryText
    selectionColor: Theme.selectionFill
    selectedTextColor: Theme.primaryText
    selectByMouse: true
    activeFocusOnTab: true
    clip: true
    leftPadding: 30
    rightPadding: 8
    height: 30
    verticalAlignment: TextInput.AlignVCenter
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

    Rectangle {
        anchors.fill: parent
        z: -1
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
    Text {
        anchors.fill: parent
        leftPadding: field.leftPadding
        rightPadding: field.rightPadding
        verticalAlignment: Text.AlignVCenter
        visible: field.text.length === 0 && field.preeditText.length === 0
        text: field.placeholderText
        textFormat: Text.PlainText
        font: field.font
        color: Theme.tertiaryText
        elide: Text.ElideRight
    }
}
