#pragma once

#include "TervikDocument.h"

#include <QObject>

// A document's changes as a Qt signal, for as long as this object lives.
class CDocumentSignals : public QObject {
    Q_OBJECT
  public:
    explicit CDocumentSignals(TervikDocument& document, QObject* parent = nullptr)
        : QObject(parent), m_document(document),
          m_id(document.AddListener([this](unsigned changes) { emit changed(changes); })) {}
    ~CDocumentSignals() override { m_document.RemoveListener(m_id); }

  signals:
    // TervikDocument::Change bits.
    void changed(unsigned changes);

  private:
    TervikDocument& m_document;
    int m_id;
};
