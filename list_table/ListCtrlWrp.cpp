#include "ListCtrlWrp.h"

#include <QHeaderView>
#include <QTableWidget>

CListCtrlWrp::CListCtrlWrp(QTableWidget* list, int columns, int maxRows, int cellChars)
    : m_pList(list), m_nColumns(columns > 0 ? columns : 0), m_nMaxRows(maxRows > 0 ? maxRows : 0),
      m_nCellChars(cellChars > 1 ? cellChars : 1), m_ppHeaders(m_nColumns),
      m_pCells(static_cast<size_t>(m_nColumns) * m_nMaxRows), m_pWidths(m_nColumns, 50) {}

CListCtrlWrp::~CListCtrlWrp() = default;

QString CListCtrlWrp::Cut(const QString& text) const {
    // A buffer of m_nCellChars holds one character less, for its terminator.
    return text.left(m_nCellChars - 1);
}

bool CListCtrlWrp::SetColumn(int column, const QString& text, int width) {
    if (column < 0 || column >= m_nColumns)
        return false;
    m_pWidths[column] = width;
    m_ppHeaders[column] = Cut(text);
    return true;
}

void CListCtrlWrp::CreateColumns() {
    if (!m_pList)
        return;
    // The report view's look: grid lines, whole rows selected, no row headers.
    m_pList->setShowGrid(true);
    m_pList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pList->verticalHeader()->hide();
    m_pList->setColumnCount(m_nColumns);
    for (int c = 0; c < m_nColumns; ++c) {
        auto* header = new QTableWidgetItem(m_ppHeaders[c]);
        header->setTextAlignment((c == 0 ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter);
        m_pList->setHorizontalHeaderItem(c, header);
        m_pList->setColumnWidth(c, m_pWidths[c]);
    }
}

bool CListCtrlWrp::SetCell(int row, int column, const QString& text) {
    if (row < 0 || column < 0 || column >= m_nColumns || row >= m_nMaxRows)
        return false;
    if (m_nRows < row + 1)
        m_nRows = row + 1;
    m_pCells[static_cast<size_t>(row) * m_nColumns + column] = Cut(text);
    return true;
}

void CListCtrlWrp::ClearList() {
    if (m_pList)
        m_pList->setRowCount(0);
    m_nRows = 0;
}

void CListCtrlWrp::FillList() {
    if (!m_pList)
        return;
    m_pList->setRowCount(0);
    m_pList->setRowCount(m_nRows);
    for (int r = 0; r < m_nRows; ++r) {
        for (int c = 0; c < m_nColumns; ++c) {
            auto* item = new QTableWidgetItem(m_pCells[static_cast<size_t>(r) * m_nColumns + c]);
            item->setTextAlignment((c == 0 ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter);
            m_pList->setItem(r, c, item);
        }
    }
}
