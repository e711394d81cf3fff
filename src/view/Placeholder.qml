import QtQuick
import Veltrane.Hub

// A centred stand-in for content that is not there: a large symbol, a title, a description
// and, when given, one action.
Item {
    id: placeholder

    property string symbol
    property string title
    property string description
    property string actionTitle
    signal actionTriggered

    Accessible.role: Accessible.StaticText
    Accessible.name: title

    Column {
        anchors.centerIn: parent
        width: Math.min(placeholder.width - 48, 360)
        spacing: 8

        Item {
            anchors.horizontalCenter: parent.horizontalCenter
            width: 40
            height: 44  // 4 more below the symbol
            SymbolIcon {
                name: placeholder.symbol
                size: 40
                color: Theme.secondaryText
            }
        }
        Text {
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
            text: placeholder.title
            textFormat: Text.PlainText
            font: Theme.title2
            color: Theme.primaryText
        }
        Text {
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
            visible: text.length > 0
            text: placeholder.description
            textFormat: Text.PlainText
            font: Theme.callout
            color: Theme.secondaryText
        }
        // The button is made only for a placeholder that has an action: the others stand in
        // the window from the start.
        Loader {
            anchors.horizontalCenter: parent.horizontalCenter
            active: placeholder.actionTitle.length > 0
            visible: active
            Component.onCompleted: setSource("PlaceholderAction.qml", { placeholder: placeholder })
        }
    }
}
