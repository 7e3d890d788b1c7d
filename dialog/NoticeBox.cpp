#include "NoticeBox.h"

#include "CalculatorController.h"
#include "Prompt.h"

void showNotice(QObject* parent, const Notice& notice)
{
    switch (notice.kind) {
    case Notice::Kind::None:
        break;
    case Notice::Kind::Information:
        prompt::information(parent, notice.title, notice.text);
        break;
    case Notice::Kind::Warning:
        prompt::warning(parent, notice.title, notice.text);
        break;
    case Notice::Kind::Critical:
        prompt::critical(parent, notice.title, notice.text);
        break;
    }
}
