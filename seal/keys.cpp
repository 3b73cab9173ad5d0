#include "keys.h"

namespace lovetest {

// The texts below were made for each other once, with a random program key
// and a random 256-byte printable data key; the data key itself is not kept
// in the program, only its sealed form.

QByteArray programKey()
{
    return QByteArrayLiteral("OvIIY.nDJ(e(|ts9Vje*GohG<rA[`!hwv3`E");
}

QByteArray sealedDataKeyText()
{
    return QByteArrayLiteral("DouPFaKnIgiDe1s/5vPZY1kQwQ8XITEsqeljk6zOUwp4l1rQursUn4H+1UbDWnreGML7i9aWpwz6"
                             "FebdwqqhKDrlu3zjbCNf+V/TQFmIUOM8y7QLD6ZEx0/de9xqvw1RGthrqcx73iIYxgT355CRCr5S"
                             "xtZbaaxLt3mOgw5bkHGm1CVL1DUXpfJ6Akq9Go8DutG0jNOESCHIzheIIPwuhPtnoom7+fE9mSvM"
                             "TzUq8V/P3KkXWGv9F9YGhzYjLa+8AP+3PrXuskd6aQL4vElNy6oNwbQmzVc4/wBjMxKlA8e3KSia"
                             "Z+u2xBY9/RaMN331gAUue5PK5bu0ikSfKalxtdFtx03LdQCZKW5f7ubyfg1hOzrhfiUSswWWcABl"
                             "U0pMEET3LOoRFqU3OiNsVy5D/PomXF+sdn5c/ZXR6miAhvUyeW9WBu1mR6SF9HQT4myv3tYuaedf"
                             "7Z8=");
}

QByteArray sealedSiteAddress()
{
    return QByteArrayLiteral("UsjhmPCOSsMB9AUQkDekAarD+UORQXMMlApR9g==");
}

} // namespace lovetest
