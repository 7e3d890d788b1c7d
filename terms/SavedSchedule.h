#pragma once

#include <QDate>
#include <QString>

// The observation schedule as the editor last published it (on 保存, or when
// the window set it): dates yyyyMMdd joined by "_", the three value texts
// joined by "_" (one value stands for every date), and the two dates.
struct SavedSchedule
{
    QString dates;
    QString ko;
    QString coupon;
    QString ki;
    QDate start;
    QDate expiry;
};
