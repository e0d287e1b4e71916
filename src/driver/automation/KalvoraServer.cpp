#include "KalvoraServer.h"

#include "ConfPLUDataUnit.h"
#include "DepatmentDataUnit.h"
#include "RecieptDataUnit.h"
#include "TavrinoFprnRO.h"
#include "XRepDataUnit.h"

using platform::CreateAutoObject;

const platform::ComServer& KalvoraServer() {
    static const platform::ComServer server(
        KalvoraTypeLib, {
                            {&KalvoraCoClasses[0], CreateAutoObject<TTavrinoFprnRO>},
                            {&KalvoraCoClasses[1], CreateAutoObject<TConfPLUData>},
                            {&KalvoraCoClasses[2], CreateAutoObject<TRecieptData>},
                            {&KalvoraCoClasses[3], CreateAutoObject<TDepatmentData>},
                            {&KalvoraCoClasses[4], CreateAutoObject<TXReportData>},
                        });
    return server;
}
