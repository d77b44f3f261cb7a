#pragma once

#include <QString>
#include <QStringList>

// What a change of the scanner's field leads to, decided from the split field and the scan
// buffer's completeness; the window carries it out.
namespace scan {

struct InvoiceItems {
    QString code;       // item [2]
    QString number;     // item [3]
    QString amount;     // item [4]
    QString date;       // item [5]
    QString checkCode;  // item [6]
    QString kind;       // item [1]: 发票种类
};

enum class Action {
    Wait,        // the scan is not complete yet: nothing happens
    Drop,        // an invoice payload without code or number: emptied without a word
    NotInvoice,  // fewer than 7 items: "您扫的不是发票信息！"
    Register,    // register items with entry mode "0"
};

struct Decision {
    Action action = Action::Wait;
    InvoiceItems items;
};

// A fully digital invoice is registered with the empty code; any other payload needs both code
// and number.
Decision decide(const QStringList& items, bool scanComplete);

// The panel shows an outcome until the fourth tick of its one-second timer after the scan.
class ReturnToWaiting {
public:
    void arm() {
        armed_ = true;
        ticks_ = 0;
    }
    // True on the tick that returns the panel to waiting (and disarms).
    bool tick();
    bool armed() const { return armed_; }

private:
    bool armed_ = false;
    int ticks_ = 0;
};

}  // namespace scan
