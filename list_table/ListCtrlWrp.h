#pragma once

#include <QString>
#include <vector>

class QTableWidget;

// A fixed-size table of texts in front of a report-view list: cells are set
// in any order, then the whole table is copied into the control at once.
// The table owns the texts; the control only shows them.
class CListCtrlWrp {
  public:
    CListCtrlWrp(QTableWidget* list, int columns, int maxRows, int cellChars);
    virtual ~CListCtrlWrp();
    CListCtrlWrp(const CListCtrlWrp&) = delete;
    CListCtrlWrp& operator=(const CListCtrlWrp&) = delete;

    // Stored only; the control sees headers at CreateColumns, cells at FillList.
    bool SetColumn(int column, const QString& text, int width);
    void CreateColumns();
    bool SetCell(int row, int column, const QString& text);
    // Empties the control; stored cell texts stay and are overwritten cell by cell.
    void ClearList();
    void FillList();

    int GetRowCount() const { return m_nRows; }

  private:
    QString Cut(const QString& text) const;

    QTableWidget* m_pList;
    int m_nColumns;
    int m_nRows = 0;
    int m_nMaxRows;
    int m_nCellChars; // UTF-16 code units per text, terminator included
    std::vector<QString> m_ppHeaders;
    std::vector<QString> m_pCells; // row-major, m_nMaxRows x m_nColumns
    std::vector<int> m_pWidths;
};
