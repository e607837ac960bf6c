#pragma once

#include "ReportEngine.h"

#include <QDialog>

#include <functional>
#include <optional>

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

    /// Lays a report out: its pages as they are ready go to `options.pageReady`, and it
    /// stops when `options.cancelled` says so. Null with `error` when it cannot be prepared.
    using Preparation = std::function<std::optional<Report::Prepared>(
        const Report::PrepareOptions& options, QString* error)>;
    /// Opens the preview at once and fills it while the report is prepared: the first page
    /// shows as soon as it is laid out, printing and saving wait for the last, and closing
    /// the preview stops the preparation. False with `error` when preparing failed.
    static bool showPreparing(const QString& title, const Preparation& prepare, QWidget* parent,
                              QString* error);
    /// The pages are still being laid out.
    bool isPreparing() const { return m_preparing; }

    void showPage(int page);
    void setZoom(double zoom);
    void zoomIn();
    void zoomOut();
    void fitWidth();
    void Print_BBtnClick();
    void SavePdf_BBtnClick();

private:
    void updateControls();
    void appendPage(const Report::Page& page);

    Report::Prepared m_report;
    int m_page = 0;
    double m_zoom = 1.0;
    bool m_preparing = false;

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
