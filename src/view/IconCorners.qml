import QtQuick
import QtQuick.Shapes
import Veltrane.Hub

// The four corners of a square outside its rounded square (corner radius edge × 0.22, as
// for every app icon), in the colour behind icons: laid over an image, they round its corners.
Shape {
    id: corners

    readonly property real size: width
    readonly property color color: Theme.textBackground
    readonly property real radius: size * 0.22

    ShapePath {
        fillColor: corners.color
        strokeWidth: -1
        fillRule: ShapePath.OddEvenFill
        startX: 0; startY: 0
        PathLine { x: corners.size; y: 0 }
        PathLine { x: corners.size; y: corners.size }
        PathLine { x: 0; y: corners.size }
        PathLine { x: 0; y: 0 }
        PathMove { x: corners.radius; y: 0 }
        PathLine { x: corners.size - corners.radius; y: 0 }
        PathArc { x: corners.size; y: corners.radius; radiusX: corners.radius; radiusY: corners.radius }
        PathLine { x: corners.size; y: corners.size - corners.radius }
        PathArc { x: corners.size - corners.radius; y: corners.size; radiusX: corners.radius; radiusY: corners.radius }
        PathLine { x: corners.radius; y: corners.size }
        PathArc { x: 0; y: corners.size - corners.radius; radiusX: corners.radius; radiusY: corners.radius }
        PathLine { x: 0; y: corners.radius }
        PathArc { x: corners.radius; y: 0; radiusX: corners.radius; radiusY: corners.radius }
    }
}
