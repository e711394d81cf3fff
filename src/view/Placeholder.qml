import QtQuick
import QtQuick.Layouts
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

    ColumnLayout {
        anchors.centerIn: parent
        width: Math.min(parent.width - 48, 360)
        spacing: 8

        SymbolIcon {
            Layout.alignment: Qt.AlignHCenter
            Layout.bottomMargin: 4
            name: placeholder.symbol
            size: 40
            color: Theme.secondaryText
        }
        Text {
            Layout.fillWidth: true
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
            text: placeholder.title
            font: Theme.title2
            color: Theme.primaryText
        }
        Text {
            Layout.fillWidth: true
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
            visible: text.length > 0
            text: placeholder.description
            font: Theme.callout
            color: Theme.secondaryText
        }
        HubButton {
            Layout.alignment: Qt.AlignHCenter
            Layout.topMargin: 6
            visible: placeholder.actionTitle.length > 0
            text: placeholder.actionTitle
            onClicked: placeholder.actionTriggered()
        }
    }
}
