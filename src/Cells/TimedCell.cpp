#include "Cells/TimedCell.h"

#include "View/CustomDateFormatter.h"
#include "ui/Color.h"
#include "ui/Font.h"
#include "ui/Label.h"

namespace kesvor {

namespace {

constexpr double timeFontSize = 13;
constexpr double blockLeftMargin = 24;
constexpr double timeLeftMargin = 30;
constexpr double timeRowHeight = 24;

} // namespace

TimedCell::TimedCell(const QRectF& frame)
    : CollectionViewCell(frame)
    , m_timeLabel(new ui::Label)
{
    m_timeLabel->setFont(ui::Font::systemFont(timeFontSize));
    m_timeLabel->setTextColor(ui::Color::darkGray());
}

void TimedCell::placeBlockAboveTime(ui::View* block)
{
    contentView()->addSubview(block);
    contentView()->addSubview(m_timeLabel);
    contentView()->addConstraints(QStringLiteral("H:|-%1-[v0]").arg(blockLeftMargin), {block});
    contentView()->addConstraints(QStringLiteral("H:|-%1-[v0]").arg(timeLeftMargin), {m_timeLabel});
    contentView()->addConstraints(QStringLiteral("V:[v0]-0-[v1(==%1)]|").arg(timeRowHeight),
                                  {block, m_timeLabel});
}

void TimedCell::setTime(const std::optional<QDateTime>& time)
{
    m_time = time;
    if (time)
        m_timeLabel->setText(CustomDateFormatter().timeFormatter.stringFromDate(*time));
}

} // namespace kesvor
