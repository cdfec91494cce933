#include "AboutPage.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "LinkLabel.h"
#include "Pictures.h"
#include "ShadowLabel.h"
#include "VersionInfo.h"

namespace {

// Contact and link addresses.
const char* const MailAddress = "winvesk@vesk.example.org";
const struct {
    const char* Name;
    const char* Text;
    const char* Address;
} Links[] = {{"lblHomePage", "Win VESK home page, ", "https://vesk.example.org/winvesk/"},
             {"lblHardware", "hardware, ", "https://vesk.example.org/hardware/"},
             {"lblFirmware", "firmware download", "https://vesk.example.org/firmware/download/"}};

} // namespace

TAboutPage::TAboutPage() {
    setObjectName(QStringLiteral("tabAbout"));
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(8, 8, 8, 4);
    v->setSpacing(4);
    auto* top = new QHBoxLayout();
    top->setSpacing(12);
    top->addWidget(CreateLogo(), 0, Qt::AlignTop);
    auto* heading = new QVBoxLayout();
    heading->setSpacing(2);
    CreateHeading(heading);
    CreateLinks(heading);
    top->addLayout(heading, 1);
    v->addLayout(top);
    CreateVersionMemo(v);
    VersionMemo->setHtml(ResourceText(QStringLiteral("FILE_ABOUT_TXT")));
    lblVersion->setText(VersionLabelText());
}

QWidget* TAboutPage::CreateLogo() {
    auto* bevel = new QFrame(this);
    bevel->setFrameShape(QFrame::Panel);
    bevel->setFrameShadow(QFrame::Raised);
    bevel->setLineWidth(2);
    auto* bevelLayout = new QVBoxLayout(bevel);
    bevelLayout->setContentsMargins(4, 4, 4, 4);
    auto* logo = new QLabel(bevel);
    logo->setObjectName(QStringLiteral("imgLogo"));
    logo->setPixmap(LogoPicture(72));
    bevelLayout->addWidget(logo);
    return bevel;
}

void TAboutPage::CreateHeading(QVBoxLayout* heading) {
    auto* title = new TShadowLabel(QStringLiteral("Win VESK"), this);
    title->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont(QStringLiteral("Arial"));
    titleFont.setStyleHint(QFont::SansSerif);
    titleFont.setBold(true);
    titleFont.setPixelSize(27);
    title->setFont(titleFont);
    heading->addWidget(title);
    lblVersion = new QLabel(QStringLiteral("Version "), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    QFont versionFont = titleFont;
    versionFont.setPixelSize(18);
    lblVersion->setFont(versionFont);
    heading->addWidget(lblVersion);
}

void TAboutPage::CreateLinks(QVBoxLayout* heading) {
    auto* credits = new QHBoxLayout();
    credits->setSpacing(0);
    credits->addWidget(new QLabel(QStringLiteral("Written by the VESK project team, "), this));
    auto* mail = new TLinkLabel(QString::fromLatin1(MailAddress),
                                QUrl(QStringLiteral("MailTo:") + QString::fromLatin1(MailAddress)), this);
    mail->setObjectName(QStringLiteral("lblMail"));
    credits->addWidget(mail);
    credits->addStretch(1);
    heading->addLayout(credits);

    auto* links = new QHBoxLayout();
    links->setSpacing(0);
    links->addWidget(new QLabel(QStringLiteral("Links: "), this));
    LinkLabels = {mail};
    for (const auto& def : Links) {
        auto* link =
            new TLinkLabel(QString::fromLatin1(def.Text), QUrl(QString::fromLatin1(def.Address)), this);
        link->setObjectName(QString::fromLatin1(def.Name));
        links->addWidget(link);
        LinkLabels.append(link);
    }
    links->addStretch(1);
    heading->addLayout(links);
}

void TAboutPage::CreateVersionMemo(QVBoxLayout* page) {
    VersionMemo = new QTextBrowser(this);
    VersionMemo->setObjectName(QStringLiteral("VersionMemo"));
    VersionMemo->setReadOnly(true);
    VersionMemo->setOpenLinks(false);
    VersionMemo->setFrameShape(QFrame::NoFrame);
    VersionMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    VersionMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Parent colour: the text lies on the page's own background.
    QPalette memo = VersionMemo->palette();
    memo.setColor(QPalette::Base, palette().color(QPalette::Window));
    VersionMemo->setPalette(memo);
    page->addWidget(VersionMemo, 1);
}
