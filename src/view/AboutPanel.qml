import QtQuick
import QtQuick.Window
import Veltrane.Hub

// The About window: the name, the version, and two centred credit lines, the second a link
// to the maker's website.
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
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
            text: AboutInfo.credits
            font: Theme.caption
            color: Theme.secondaryText
        }
        Text {
            objectName: "websiteLink"
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            text: AboutInfo.websiteHost
            font: Theme.caption
            color: Theme.accent
            activeFocusOnTab: true
            Accessible.role: Accessible.Link
            Accessible.name: AboutInfo.websiteHost
            Accessible.onPressAction: Qt.openUrlExternally(AboutInfo.website)
            Keys.onReturnPressed: Qt.openUrlExternally(AboutInfo.website)
            HoverHandler { cursorShape: Qt.PointingHandCursor }
            TapHandler { onTapped: Qt.openUrlExternally(AboutInfo.website) }
        }
    }
}
