#pragma once
// The check a simulated directory server makes on one attribute value: not empty, of the
// attribute's syntax (32-bit integers, large integers, booleans, distinguished names), and within
// its upper range.

#include "platform/adsi/Result.h"
#include "platform/adsi/Schema.h"

#include <QByteArray>

namespace tavrel::simnet {

adsi::Status checkAttributeValue(const adsi::AttributeDef& def, const QByteArray& value);

}  // namespace tavrel::simnet
