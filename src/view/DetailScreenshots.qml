pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Templates as T
import Veltrane.Hub

// The app's screenshots in a row, each loaded in the background; a click shows one larger
// over the window, until Escape or a click closes it. Only https addresses are ever loaded.
ListView {
    id: screenshots

    required property catalogApp app

    readonly property alias viewer: viewer

    implicitHeight: 120
    orientation: ListView.Horizontal
    spacing: 8
    clip: true
    boundsBehavior: Flickable.StopAtBounds
    visible: count > 0
    model: app.fetchableScreenshotURLs
    Accessible.role: Accessible.List
    Accessible.name: qsTr("Screenshots")
    ScrollBar.horizontal: ScrollBar { policy: ScrollBar.AsNeeded }

    delegate: Rectangle {
        id: shot
        required property url modelData
        required property int index
        readonly property bool loaded: image.status === Image.Ready

        height: screenshots.height - 8
        width: loaded ? Math.round(image.implicitWidth * height / Math.max(image.implicitHeight, 1)) : height * 1.6
        radius: 6
        color: Theme.quaternaryFill
        border.width: shot.activeFocus ? 2 : 0
        border.color: Theme.accent
        activeFocusOnTab: true
        Accessible.role: Accessible.Button
        Accessible.name: qsTr("Screenshot %1").arg(shot.index + 1)
        Accessible.onPressAction: viewer.show(shot.modelData)
        Keys.onReturnPressed: viewer.show(shot.modelData)
        Keys.onSpacePressed: viewer.show(shot.modelData)

        Image {
            id: image
            anchors { fill: parent; margins: 1 }
            source: shot.modelData
            sourceSize.height: 2 * screenshots.height
            asynchronous: true
            fillMode: Image.PreserveAspectFit
            smooth: true
        }
        // One that could not be had says so instead of staying an empty frame.
        SymbolIcon {
            anchors.centerIn: parent
            visible: image.status === Image.Error
            name: "photo"
            size: 28
            color: Theme.tertiaryText
        }
        HoverHandler { cursorShape: Qt.PointingHandCursor }
        TapHandler { onTapped: viewer.show(shot.modelData) }
    }

    Popup {
        id: viewer
        objectName: "screenshotViewer"

        property url url

        function show(address: url) {
            url = address
            open()
        }

        parent: T.Overlay.overlay
        anchors.centerIn: parent
        width: parent ? parent.width * 0.9 : 0
        height: parent ? parent.height * 0.9 : 0
        modal: true
        dim: true
        // Escape reaches a popup only while it has the focus.
        focus: true
        padding: 0
        closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutside
        background: Item {}

        Image {
            id: large
            anchors.fill: parent
            source: viewer.url
            sourceSize.width: viewer.width * 2
            sourceSize.height: viewer.height * 2
            asynchronous: true
            fillMode: Image.PreserveAspectFit
            smooth: true
            TapHandler { onTapped: viewer.close() }
        }
        BusyIndicator {
            anchors.centerIn: parent
            running: viewer.opened && large.status === Image.Loading
        }
    }
}
