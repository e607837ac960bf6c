#pragma once

#include "ReportEngine.h"

#include <QDialog>

class QLabel;
class QScrollArea;
class QToolButton;
class QPushButton;

namespace Report {
class PageView;
}

/// The preview of a prepared report: one page at a time, zoom, print on the default
/// printer, save as PDF, close. PgUp/PgDn turn pages, Ctrl+P prints, Esc closes.
class TPreview_Form : public QDialog
{
    Q_OBJECT

public:
    TPreview_Form(Report::Prepared report, QWidget* parent = nullptr);
    ~TPreview_Form() override;

    const Report::Prepared& report() const { return m_report; }
    int currentPage() const { return m_page; }
    /// Report pixels to screen pixels; 1.0 is 100 %.
    double zoom() const { return m_zoom; }

    void showPage(int page);
    void setZoom(double zoom);
    void zoomIn();
    void zoomOut();
    void fitWidth();
    void Print_BBtnClick();
    void SavePdf_BBtnClick();

private:
    void updateControls();

    Report::Prepared m_report;
    int m_page = 0;
    double m_zoom = 1.0;

    QToolButton* ZoomIn_BBtn;
    QToolButton* ZoomOut_BBtn;
    QToolButton* FitWidth_BBtn;
    QLabel* Zoom_Label;
    QToolButton* FirstPage_BBtn;
    QToolButton* PriorPage_BBtn;
    QToolButton* NextPage_BBtn;
    QToolButton* LastPage_BBtn;
    QLabel* Page_Label;
    QPushButton* Print_BBtn;
    QPushButton* SavePdf_BBtn;
    QPushButton* Close_BBtn;
    QScrollArea* Page_SB;
    Report::PageView* Page_View;
};
