#include "Cells/KEmailTemplateCell.h"

#include "Service/WebServiceManager.h"
#include "View/ConversationNotifications.h"
#include "foundation/NotificationCenter.h"
#include "kesvor/Kesvor.h"
#include "ui/Button.h"
#include "ui/Color.h"
#include "ui/Font.h"
#include "ui/Label.h"
#include "ui/TextField.h"

#include <QtCore/QRegularExpression>
#include <QtWidgets/QLineEdit>

namespace kesvor {

namespace {

// Layout numbers of the form (points).
constexpr double baseCornerRadius = 4;
constexpr double fieldCornerRadius = 2;
constexpr double fieldBorderWidth = 1;
constexpr double fieldPadding = 10;
constexpr double titleFontSize = 16;

const QString prompt = QStringLiteral("Enter your email here:");
const QString fieldAccessibleName = QStringLiteral("E-mail address");

void post(const char* name, const QVariantMap& userInfo = {})
{
    foundation::NotificationCenter::defaultCenter().post(QString::fromLatin1(name), userInfo);
}

} // namespace

KEmailTemplateCell::KEmailTemplateCell(const QRectF& frame)
    : TimedCell(frame)
    , m_baseView(new ui::View)
    , m_titleLabel(new ui::Label)
    , m_emailTextField(new ui::TextField)
    , m_submitButton(new ui::Button)
{
    setupViews();
}

void KEmailTemplateCell::setupViews()
{
    m_emailTextField->setKeyboardType(ui::KeyboardType::EmailAddress);
    m_emailTextField->lineEdit()->setAccessibleName(fieldAccessibleName);
    m_emailTextField->setCornerRadius(fieldCornerRadius);
    m_emailTextField->setClipsToBounds(true);
    m_emailTextField->setBorderColor(ui::Color::lightGray());
    m_emailTextField->setBorderWidth(fieldBorderWidth);
    m_emailTextField->setLeftView(new ui::View(QRectF(0, 0, fieldPadding, 0)));
    m_emailTextField->setLeftViewMode(ui::TextFieldViewMode::Always);
    m_submitButton->setTitle(QStringLiteral("Submit"));
    m_submitButton->setTitleColor(ui::Color::black());
    m_titleLabel->setFont(ui::Font::systemFont(titleFontSize, ui::FontWeight::Bold));
    m_titleLabel->setText(prompt);
    m_baseView->setBackgroundColor(ui::Color::white());
    m_baseView->setCornerRadius(baseCornerRadius);
    m_baseView->setClipsToBounds(true);

    contentView()->addSubview(m_baseView);
    contentView()->addSubview(timeLabel());
    contentView()->addConstraints(QStringLiteral("H:|-24-[v0]-24-|"), {m_baseView});
    contentView()->addConstraints(QStringLiteral("H:[v0]-30-|"), {timeLabel()});
    contentView()->addConstraints(QStringLiteral("V:[v0]-0-[v1(==24)]|"),
                                  {m_baseView, timeLabel()});
    m_baseView->addSubview(m_titleLabel);
    m_baseView->addSubview(m_emailTextField);
    m_baseView->addSubview(m_submitButton);
    m_baseView->addConstraints(QStringLiteral("H:|-10-[v0]-10-|"), {m_titleLabel});
    m_baseView->addConstraints(QStringLiteral("H:|-10-[v0]-10-|"), {m_emailTextField});
    m_baseView->addConstraints(QStringLiteral("H:|-50-[v0]-50-|"), {m_submitButton});
    m_baseView->addConstraints(QStringLiteral("V:|-10-[v0]-10-[v1(==30)]-[v2(==30)]-10-|"),
                               {m_titleLabel, m_emailTextField, m_submitButton});
    m_submitButton->addTarget(ui::ControlEvent::TouchUpInside,
                              [this](ui::Control*) { submitButtonClicked(); });
    connect(m_emailTextField, &ui::TextField::textEdited, this, [this](const QString& text) {
        if (m_model)
            Q_EMIT draftEdited(*m_model, text);
    });
}

bool KEmailTemplateCell::isValidEmailAddress(const QString& text)
{
    static const QRegularExpression pattern(
        QStringLiteral("\\A[A-Za-z0-9._%+-]+@[A-Za-z0-9.-]+\\.[A-Za-z]{2,}\\z"));
    return pattern.match(text.trimmed()).hasMatch();
}

void KEmailTemplateCell::setModel(const std::optional<Chat>& model)
{
    const bool sameMessage = m_model && model && m_model->objectID() == model->objectID();
    m_model = model;
    if (!sameMessage)
        m_emailTextField->setText(QString());
}

void KEmailTemplateCell::submitButtonClicked()
{
    const QString address = m_emailTextField->text().trimmed();
    if (address.isEmpty() || !isValidEmailAddress(address)) {
        post(WrongEmailFormatNotification);
        return;
    }
    const std::optional<QString> messageId = m_model ? m_model->messageId() : std::nullopt;
    if (!messageId)
        return;
    const std::optional<QString> userId = WebServiceManager::sharedInstance().getCustomerId();
    if (!userId)
        return;
    post(SubmitEmailNotification, {{QStringLiteral("messageId"), *messageId},
                                   {QStringLiteral("text"), address},
                                   {QStringLiteral("userId"), *userId}});
    // The address joins what the host set: its name, phone and customer id stay.
    const auto current = Kesvor::metaUserinfo();
    KesvorMetaUserInfo::Info info =
        current ? current->info().value_or(KesvorMetaUserInfo::Info()) : KesvorMetaUserInfo::Info();
    info.insert(KUserInfoKey::KEmail, address);
    Kesvor::setMetaUserinfo(KesvorMetaUserInfo(info));
}

} // namespace kesvor
