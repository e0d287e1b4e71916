#include "FPAxUnit_Commands.h"

TCmdObject::~TCmdObject() = default;

TInvoiceParam* FindInvoiceParam(const TCommandList& List) {
    for (const auto& cmd : List) {
        if (auto* invoice = dynamic_cast<TInvoiceParam*>(cmd.get())) {
            return invoice;
        }
    }
    return nullptr;
}
