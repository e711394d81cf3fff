import QtQuick
import QtQuick.Shapes
import Veltrane.Hub

// An app's icon from the catalogue's URL, with a lettered placeholder while it loads, when it
// fails and when there is none. Square, with corners rounded at size × 0.22.
Item {
    id: appIcon

    property url url
    property string name
    property real size: Theme.cardIcon
    // What lies behind the icon: the rounded corners are cut by painting it over them.
    property color cornerColor: Theme.textBackground

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

    // The four corners outside the rounded square, filled with the background.
    Shape {
        anchors.fill: parent
        visible: image.visible
        ShapePath {
            fillColor: appIcon.cornerColor
            strokeWidth: -1
            fillRule: ShapePath.OddEvenFill
            startX: 0; startY: 0
            PathLine { x: appIcon.size; y: 0 }
            PathLine { x: appIcon.size; y: appIcon.size }
            PathLine { x: 0; y: appIcon.size }
            PathLine { x: 0; y: 0 }
            PathMove { x: appIcon.radius; y: 0 }
            PathLine { x: appIcon.size - appIcon.radius; y: 0 }
            PathArc { x: appIcon.size; y: appIcon.radius; radiusX: appIcon.radius; radiusY: appIcon.radius }
            PathLine { x: appIcon.size; y: appIcon.size - appIcon.radius }
            PathArc { x: appIcon.size - appIcon.radius; y: appIcon.size; radiusX: appIcon.radius; radiusY: appIcon.radius }
            PathLine { x: appIcon.radius; y: appIcon.size }
            PathArc { x: 0; y: appIcon.size - appIcon.radius; radiusX: appIcon.radius; radiusY: appIcon.radius }
            PathLine { x: 0; y: appIcon.radius }
            PathArc { x: appIcon.radius; y: 0; radiusX: appIcon.radius; radiusY: appIcon.radius }
        }
    }
}
