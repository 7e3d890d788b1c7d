#pragma once

class QObject;
struct Notice;

// The controller's notice as the message box of its kind, over parent;
// nothing for no notice.
void showNotice(QObject* parent, const Notice& notice);
