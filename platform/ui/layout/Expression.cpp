#include "ui/layout/Expression.h"

#include <unordered_map>

namespace kesvor::ui::layout {

double Expression::value() const
{
    double result = m_constant;
    for (const Term& term : m_terms)
        result += term.value();
    return result;
}

Expression Expression::reduced() const
{
    std::vector<Term> terms;
    terms.reserve(m_terms.size());
    std::unordered_map<Variable, size_t> indexOf;
    for (const Term& term : m_terms) {
        const auto [it, inserted] = indexOf.try_emplace(term.variable(), terms.size());
        if (inserted)
            terms.push_back(term);
        else
            terms[it->second] =
                Term(term.variable(), terms[it->second].coefficient() + term.coefficient());
    }
    std::erase_if(terms, [](const Term& term) { return term.coefficient() == 0.0; });
    return Expression(std::move(terms), m_constant);
}

Expression& Expression::operator+=(const Expression& other)
{
    m_terms.insert(m_terms.end(), other.m_terms.begin(), other.m_terms.end());
    m_constant += other.m_constant;
    return *this;
}

Expression& Expression::operator*=(double factor)
{
    for (Term& term : m_terms)
        term = Term(term.variable(), term.coefficient() * factor);
    m_constant *= factor;
    return *this;
}

} // namespace kesvor::ui::layout
