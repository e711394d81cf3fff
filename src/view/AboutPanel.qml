import QtQuick
import QtQuick.Window
import Veltrane.Hub

// The About window: the name, the version, and two centred credit lines, the second a link
// to the maker's website. Escape and Ctrl+W close it.
Window {
    id: panel

    title: qsTr("About Veltrane Hub")
    flags: Qt.Dialog
    modality: Qt.NonModal
    width: 320
    height: content.implicitHeight + 56
    minimumWidth: width
    maximumWidth: width
    minimumHeight: height
    maximumHeight: height
    color: Theme.secondaryBackground

    Shortcut {
        sequences: ["Escape", "Ctrl+W"]
        onActivated: panel.close()
    }

    Column {
        id: content
        anchors { top: parent.top; topMargin: 28; horizontalCenter: parent.horizontalCenter }
        width: parent.width - 48
        spacing: 6

        Rectangle {
            anchors.horizontalCenter: parent.horizontalCenter
            width: 72
            height: 72
            radius: 72 * 0.22
            color: Theme.veltraneBlue
            SymbolIcon {
                anchors.centerIn: parent
                name: "shippingbox"
                size: 40
                color: "white"
            }
        }
        Item { width: 1; height: 6 }
        Text {
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            text: AboutInfo.applicationName
            font: Theme.title
            color: Theme.primaryText
        }
        Text {
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            text: AboutInfo.version
            font: Theme.caption
            color: Theme.secondaryText
        }
        Item { width: 1; height: 8 }
        Text {
            id: credits
            objectName: "credits"
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
            textFormat: Text.StyledText
            text: AboutInfo.creditsMarkup
            font: Theme.caption
            color: Theme.secondaryText
            linkColor: Theme.secondaryText
            onLinkActivated: Qt.openUrlExternally(AboutInfo.website)
            activeFocusOnTab: true
            Accessible.role: Accessible.Link
            Accessible.name: AboutInfo.websiteHost
            Accessible.onPressAction: Qt.openUrlExternally(AboutInfo.website)
            Keys.onReturnPressed: Qt.openUrlExternally(AboutInfo.website)
            HoverHandler { cursorShape: credits.hoveredLink.length > 0 ? Qt.PointingHandCursor : Qt.ArrowCursor }
        }
    }
}
