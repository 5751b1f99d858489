#include "app/components/tray_icon.h"

#include "app/components/painter_canvas.h"
#include "picture/icon/icon.h"
#include "picture/picture.h"
#include "platform/icon.h"

#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>

#include <map>

namespace {

QIcon iconOf(const TPicture& picture)
{
    // An icon gives its own see-through pixels and alpha; anything else is drawn on transparency.
    if (auto* icon = dynamic_cast<TIcon*>(picture.Graphic()))
        if (const TIconHandle handle = icon->IconHandle())
            return QIcon(QPixmap::fromImage(platform::iconImage(*handle)));
    const int width = std::max(1, picture.Width());
    const int height = std::max(1, picture.Height());
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        viewer_detail::PainterCanvas canvas(painter);
        canvas.StretchDraw(TRect{0, 0, width, height}, picture.Graphic());
    }
    return QIcon(QPixmap::fromImage(image));
}

// The desktop's notification area through Qt's tray icons, one per component.
void systemTray(TrayIconMessage message, const TRxTrayIcon& component)
{
    // Kept for the whole run: an icon must never outlive the window system's application.
    static auto& icons = *new std::map<const TRxTrayIcon*, std::unique_ptr<QSystemTrayIcon>>;
    if (message == TrayIconMessage::Delete) {
        icons.erase(&component);
        return;
    }
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()) || !QSystemTrayIcon::isSystemTrayAvailable())
        return;
    std::unique_ptr<QSystemTrayIcon>& icon = icons[&component];
    if (!icon)
        icon = std::make_unique<QSystemTrayIcon>();
    icon->setIcon(iconOf(*component.Icon()));
    icon->setToolTip(QString::fromStdString(component.Hint()));
    icon->show();
}

} // namespace

PICTAVO_DEFINE_CLASS(TRxTrayIcon, TComponent, nullptr, createComponentOf<TRxTrayIcon>)

TRxTrayIcon::TRxTrayIcon(TComponent* owner) : TComponent(owner), m_icon(std::make_unique<TPicture>())
{
    m_icon->OnChange = [this](TObject*) { update(); };
}

TRxTrayIcon::~TRxTrayIcon()
{
    m_icon->OnChange = nullptr;
    if (m_shown) {
        m_shown = false;
        try {
            TrayIconSeam()(TrayIconMessage::Delete, *this);
        } catch (...) {
            // Nothing more to do for an icon that is going anyway.
        }
    }
}

void TRxTrayIcon::SetActive(bool active)
{
    if (active == m_active)
        return;
    m_active = active;
    update();
}

void TRxTrayIcon::SetHint(const std::string& hint)
{
    if (hint == m_hint)
        return;
    m_hint = hint;
    update();
}

void TRxTrayIcon::update()
{
    const TGraphic* graphic = m_icon->Graphic();
    const bool hasIcon = m_active && graphic && !graphic->IsEmpty();
    if (hasIcon) {
        const TrayIconMessage message = m_shown ? TrayIconMessage::Modify : TrayIconMessage::Add;
        TrayIconSeam()(message, *this);
        m_shown = true;
    } else if (m_shown) {
        m_shown = false;
        TrayIconSeam()(TrayIconMessage::Delete, *this);
    }
}

Seam<void(TrayIconMessage, const TRxTrayIcon&)>& TrayIconSeam()
{
    static Seam<void(TrayIconMessage, const TRxTrayIcon&)> seam(systemTray);
    return seam;
}

const PropertyTable& TRxTrayIcon::ClassProperties()
{
    static const PropertyTable table(&TComponent::ClassProperties(), {
        props::boolean<TRxTrayIcon>("Active", &TRxTrayIcon::Active, &TRxTrayIcon::SetActive),
        props::string<TRxTrayIcon>("Hint", &TRxTrayIcon::Hint, &TRxTrayIcon::SetHint),
        props::object<TRxTrayIcon, TPicture>("Icon", &TRxTrayIcon::Icon),
    });
    return table;
}

const PropertyTable* TRxTrayIcon::Properties() const
{
    return &ClassProperties();
}
