#include "app/components/picture_panel.h"

#include "app/components/open_picture_dialog.h"
#include "app/components/painter_canvas.h"
#include "framework/forms.h"
#include "framework/format.h"
#include "picture/image.h"
#include "platform/drives/drives.h"
#include "platform/paths.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace viewer_detail {

namespace {
constexpr auto pictureLabel = "Picture:";
constexpr auto pictureSize = " (%dx%d)";
constexpr auto noPicture = "(None)";
constexpr auto previewText = "Preview";

// The border of the preview window, in the window colour, on every side of the picture.
constexpr int previewBorder = 5;

// The preview window: its client area less the border is the picture's.
class PreviewForm : public TForm {
public:
    explicit PreviewForm(TComponent* owner) : TForm(owner) {}
    void AdjustClientRect(TRect& rect) const override
    {
        rect = TRect{rect.left + previewBorder, rect.top + previewBorder, rect.right - previewBorder,
                     rect.bottom - previewBorder};
    }
};

QStringList patternsOf(const std::vector<FilterEntry>& entries, const QString& label)
{
    QStringList patterns;
    for (const FilterEntry& entry : entries)
        if (QString::fromStdString(entry.label) == label) {
            for (const std::string& pattern : entry.patterns)
                patterns << QString::fromStdString(pattern);
            break;
        }
    return patterns;
}
} // namespace

// The picture area of the panel.
class PreviewArea : public QWidget {
public:
    PreviewArea(PicturePanel& panel, QWidget* parent) : QWidget(parent), m_panel(panel)
    {
        setMinimumSize(150, 150);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), palette().color(QPalette::Base));
        if (!m_panel.hasPicture()) {
            painter.setPen(palette().color(QPalette::Text));
            painter.drawText(rect(), Qt::AlignCenter, QString::fromLatin1(noPicture));
            return;
        }
        // Nothing escapes a paint event; a picture that cannot draw leaves the area blank.
        try {
            TPicture& picture = m_panel.picture();
            const PreviewPlacement at = PlacePreview(width(), height(), picture.Width(), picture.Height());
            PainterCanvas canvas(painter);
            canvas.StretchDraw(TRect::fromSize(at.left, at.top, at.width, at.height), picture.Graphic());
        } catch (...) {
        }
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override
    {
        event->accept();
        m_panel.preview();
    }

private:
    PicturePanel& m_panel;
};

PicturePanel::PicturePanel(QWidget* parent)
    : QWidget(parent), m_picture(std::make_unique<TPicture>())
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 0, 0, 0);
    auto* top = new QHBoxLayout;
    m_caption = new QLabel(QString::fromLatin1(pictureLabel), this);
    m_button = new QToolButton(this);
    m_button->setText(QStringLiteral("..."));
    m_button->setToolTip(QString::fromLatin1(previewText));
    m_button->setEnabled(false);
    top->addWidget(m_caption, 1);
    top->addWidget(m_button);
    layout->addLayout(top);
    m_area = new PreviewArea(*this, this);
    layout->addWidget(m_area, 1);
    QObject::connect(m_button, &QToolButton::clicked, this, [this] { preview(); });
}

PicturePanel::~PicturePanel() = default;

void PicturePanel::clear()
{
    m_hasPicture = false;
    m_picture->ReplaceGraphic(nullptr);
    m_caption->setText(QString::fromLatin1(pictureLabel));
    m_button->setEnabled(false);
    m_area->update();
}

void PicturePanel::showFile(const QString& nativePath)
{
    const auto path = nativePath.isEmpty() ? std::nullopt : platform::toDriveLetterPath(nativePath.toStdString());
    if (!path || !platform::fileExists(*path)) {
        clear();
        return;
    }
    try {
        m_picture->LoadFile(*path);
    } catch (...) {
        clear();
        return;
    }
    m_hasPicture = m_picture->Graphic() && !m_picture->Graphic()->IsEmpty();
    if (!m_hasPicture) {
        clear();
        return;
    }
    m_caption->setText(QString::fromStdString(Format(pictureSize, {m_picture->Width(), m_picture->Height()})));
    m_button->setEnabled(true);
    m_area->update();
}

QString PicturePanel::captionText() const
{
    return m_caption->text();
}

QWidget* PicturePanel::previewArea() const
{
    return m_area;
}

bool PicturePanel::previewEnabled() const
{
    return m_button->isEnabled();
}

void PicturePanel::preview()
{
    if (!m_hasPicture)
        return;
    std::unique_ptr<TForm> window = makePreviewWindow(*m_picture);
    window->ShowModal();
}

std::unique_ptr<TForm> makePreviewWindow(const TPicture& picture)
{
    auto form = std::make_unique<PreviewForm>(nullptr);
    form->SetBorderStyle(bsSizeToolWin);
    form->SetCaption(previewText);
    form->SetPosition(poScreenCenter);
    form->SetColor(clWindow);
    auto* image = new TImage(form.get());
    image->SetParent(form.get());
    image->SetAlign(alClient);
    image->SetStretch(true);
    image->SetPicture(&picture);
    if (picture.Width() != 0)
        form->SetClientSize(picture.Width() + 2 * previewBorder, picture.Height() + 2 * previewBorder);
    return form;
}

std::unique_ptr<QFileDialog> makeOpenPictureDialog(const TOpenPictureDialog& settings, PicturePanel** panel)
{
    auto dialog = std::make_unique<QFileDialog>();
    // The dialog is built from Qt's own widgets so that the panel can sit beside the file view.
    dialog->setOption(QFileDialog::DontUseNativeDialog, true);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFilter(dialog->filter() & ~QDir::CaseSensitive);
    if (!settings.Title().empty())
        dialog->setWindowTitle(QString::fromStdString(settings.Title()));

    const std::vector<FilterEntry> entries = ParseDialogFilter(settings.Filter());
    QStringList labels;
    for (const FilterEntry& entry : entries)
        labels << QString::fromStdString(entry.label);
    if (!labels.isEmpty())
        dialog->setNameFilters(labels);

    auto* model = dialog->findChild<QFileSystemModel*>();
    if (model)
        model->setNameFilterDisables(false);
    // Qt reads a label's patterns out of its brackets; the files shown must follow the pattern
    // half of the pair instead.
    auto applyPatterns = [model, entries](const QString& label) {
        if (model)
            model->setNameFilters(patternsOf(entries, label));
    };
    QObject::connect(dialog.get(), &QFileDialog::filterSelected, dialog.get(), applyPatterns);
    if (!labels.isEmpty()) {
        const int index = std::clamp(settings.FilterIndex(), 1, int(labels.size())) - 1;
        dialog->selectNameFilter(labels[index]);
        applyPatterns(labels[index]);
    }

    auto* picturePanel = new PicturePanel(dialog.get());
    if (auto* grid = qobject_cast<QGridLayout*>(dialog->layout()))
        grid->addWidget(picturePanel, 0, grid->columnCount(), grid->rowCount(), 1);
    else
        dialog->layout()->addWidget(picturePanel);
    QObject::connect(dialog.get(), &QFileDialog::currentChanged, picturePanel,
                     [picturePanel](const QString& path) { picturePanel->showFile(path); });

    // Where the dialog starts (the panel already follows what it points at).
    const std::string start = !settings.FileName().empty() ? settings.FileName() : settings.InitialDir();
    if (!start.empty())
        if (const auto native = platform::toNativePath(start)) {
            const QFileInfo info(QString::fromStdString(*native));
            if (info.isDir())
                dialog->setDirectory(info.absoluteFilePath());
            else {
                dialog->setDirectory(info.absolutePath());
                dialog->selectFile(info.fileName());
                picturePanel->showFile(info.absoluteFilePath());
            }
        }

    if (panel)
        *panel = picturePanel;
    return dialog;
}

} // namespace viewer_detail
