import QtQuick
import Veltrane.Hub

// An app's icon from the catalogue's URL, with a lettered placeholder while it loads, when it
// fails and when there is none. Square, with corners rounded at size × 0.22.
Item {
    id: appIcon

    property url url
    property string name
    property real size: Theme.cardIcon

    readonly property real radius: size * 0.22

    width: size
    height: size
    Accessible.ignored: true

    Rectangle {
        anchors.fill: parent
        visible: image.status !== Image.Ready
        radius: appIcon.radius
        color: Theme.quaternaryFill

        Text {
            anchors.centerIn: parent
            text: ViewRules.iconLetter(appIcon.name)
            font.family: Theme.family
            font.pixelSize: appIcon.size * 0.45
            font.weight: Font.DemiBold
            color: Theme.secondaryText
        }
    }

    Image {
        id: image
        anchors.fill: parent
        visible: status === Image.Ready
        source: appIcon.url
        sourceSize.width: appIcon.size * 2
        sourceSize.height: appIcon.size * 2
        asynchronous: true
        fillMode: Image.PreserveAspectFit
        smooth: true
        mipmap: true
    }

    // The four corners outside the rounded square, painted over with the background; made
    // once the image is there, so the lettered placeholder costs no shapes. By name, so its
    // types load only then.
    Loader {
        anchors.fill: parent
        active: image.status === Image.Ready
        source: "IconCorners.qml"
    }
}
