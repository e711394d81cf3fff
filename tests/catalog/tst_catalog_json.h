#pragma once

#include <QObject>

// The catalogue's JSON format: decoding, its failures and the encoder. The slots are declared
// here rather than in the .cpp because its JSON literals confuse moc.
class TestCatalogJson : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void decodesAndEncodesEveryField();
    void rejectsWithCodingPath_data();
    void rejectsWithCodingPath();
    void rejectsWholeDocument_data();
    void rejectsWholeDocument();
    void acceptsEquivalentDocuments_data();
    void acceptsEquivalentDocuments();
    void keepsStringsExactly();
    void keepsPricesExactly_data();
    void keepsPricesExactly();
    void encodesWhatCannotBeReadAsUnreadable();
    void decodesOnManyThreadsAtOnce();
    void shippedCatalogueIsComplete();
};
