#pragma once

#include "ParameterSearch.h"
#include "Refusal.h"
#include "RunBudget.h"

#include <QString>

#include <array>

// The terms a solve or a scan can vary, as the window's term list, the
// univariate panel and kelvara-cli's --param show them.
struct TermSpec
{
    Param id;
    const char* caption;  // UTF-8, as the term list shows it
    bool percent;         // shown in percent, held as a decimal
    double start;         // the univariate panel's default range
    double end;
    double step;
};

// In Param order, so termTable()[number] is the term of that number.
const std::array<TermSpec, kParamCount>& termTable();
const TermSpec& termSpec(Param id);
// With a market the volatility term is the parallel shift of the market's
// volatility input: its default range lies around 0 (the level range from 0
// would add up to 100 points). termDefaults gives a request's default range.
const TermSpec& volatilityShiftSpec();
const TermSpec& termDefaults(Param id, bool market);

// How a search ended, as the window's boxes and kelvara-cli's stderr put it.
struct SearchStatusText
{
    bool critical;    // a critical box (else an information box)
    QString title;    // the box's title
    QString text;     // the box's text (the window adds its hint to information boxes)
    QString summary;  // one line, as kelvara-cli writes it
};
SearchStatusText searchStatusText(SearchStatus status);

// What the rule set refuses, in the words of the window's fields
// ("价格上限应大于标的价格"), for the window's boxes; kelvara-cli says the
// engine's English reason instead.
QString refusalText(const Refusal& refusal);

// Empty when design-grid runs of the request's M x N grid (kept grids or
// price only) fit in the memory a run may use (safe_memory_bytes); else the
// window's refusal with the estimate. Methods whose size does not follow M
// and N are never refused here.
QString gridMemoryProblem(const PricingRequest& request, GridUse use);
