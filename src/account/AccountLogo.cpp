#include "AccountLogo.h"

#include "AboutForm.h"
#include "ZtUrlLabel.h"

#include <QPainter>
#include <QPixmap>

namespace {

QPixmap LogoPixmap()
{
    QPixmap pm(220, 48);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 102, 204));
    // A map pin beside the name.
    p.drawEllipse(QRectF(6, 6, 28, 28));
    p.drawPolygon(QPolygonF({QPointF(10, 26), QPointF(30, 26), QPointF(20, 44)}));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(14, 14, 12, 12));
    QFont f;
    f.setBold(true);
    f.setPixelSize(26);
    p.setFont(f);
    p.setPen(QColor(0, 102, 204));
    p.drawText(QRect(44, 0, 176, 48), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("VELMORA"));
    return pm;
}

} // namespace

TZtUrlLabel *CreateAccountLogo(QWidget *parent)
{
    auto *logo = new TZtUrlLabel(parent);
    logo->setObjectName(QStringLiteral("ImgLogo"));
    logo->setPixmap(LogoPixmap());
    logo->setAlignment(Qt::AlignCenter);
    logo->SetUrl(QUrl(TAboutForm::SiteUrl()));
    return logo;
}
