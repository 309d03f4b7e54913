#include "SeriesListModel.h"

void SeriesListModel::Reset(const CArchiveData* archive, const std::string& startText,
                            const std::string& stopText) {
    beginResetModel();
    m_texts = archive ? SeriesListTexts(*archive, startText, stopText) : SeriesListTexts();
    endResetModel();
}

int SeriesListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_texts.Count();
}

QVariant SeriesListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_texts.Count() ||
        (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return QString::fromStdString(m_texts.Entry(index.row()));
}
