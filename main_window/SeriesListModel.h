#pragma once

// The series list's model: one row per series of the archive, its text made
// when the list asks for it. A list of millions of series holds no texts, so
// it costs next to nothing beyond the archive's own series.

#include "SeriesFormat.h"

#include <QAbstractListModel>

class SeriesListModel final : public QAbstractListModel {
  public:
    using QAbstractListModel::QAbstractListModel;

    // Shows the series of archive with the "Start" and "Stop" texts given;
    // a null archive empties the list.
    void Reset(const CArchiveData* archive, const std::string& startText, const std::string& stopText);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

  private:
    SeriesListTexts m_texts;
};
