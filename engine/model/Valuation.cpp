#include "Valuation.h"

void Answer::refuse(const Refusal& why)
{
    outcome = Outcome::Refused;
    refusal = why;
    error = why.reason;
}

void Answer::fail(const std::string& why)
{
    outcome = Outcome::Failed;
    error = why;
}

void Answer::cancel()
{
    outcome = Outcome::Cancelled;
    error = "cancelled";
}
