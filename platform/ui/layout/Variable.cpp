#include "ui/layout/Variable.h"

namespace kesvor::ui::layout {

Variable::Variable()
    : Variable(QString())
{
}

Variable::Variable(QString name)
    : m_data(std::make_shared<Data>(Data{std::move(name), 0.0}))
{
}

} // namespace kesvor::ui::layout
