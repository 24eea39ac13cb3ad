// The record layouts and the property lists of the database folder.
//
// Records: the first byte picks a layout, the rest (cut or padded with NULs to the layout's length)
// is one stored record. Decoding it, encoding the result and decoding again gives the same record,
// and the encoding gives back the stored bytes.
//
// Property lists (with TAVREL_FUZZ_PROPERTY_LISTS): the input is a Mail.dat, W2K.dat or WTS.dat
// (the first byte picks which). Whatever parses formats without refusal, and the formatted text
// parses to the same rows.

#include "FuzzSupport.h"
#include "records/PropertyLists.h"
#include "records/Records.h"

using namespace tavrel;
using namespace tavrel::records;

namespace {

template <class R>
void roundTrip(QByteArray bytes) {
  bytes = bytes.left(R::Length);
  bytes.append(QByteArray(R::Length - bytes.size(), '\0'));
  const R decoded = R::decode(bytes);
  const QByteArray encoded = decoded.encode();
  TAVREL_FUZZ_CHECK(encoded.size() == R::Length, QString::number(encoded.size()));
  TAVREL_FUZZ_CHECK(R::decode(encoded) == decoded, QString::fromLatin1(bytes.toHex()));
  TAVREL_FUZZ_CHECK(encoded == bytes, QString::fromLatin1(bytes.toHex()) + QStringLiteral("\nencoded as\n") +
                                          QString::fromLatin1(encoded.toHex()));
}

template <class Row, class Parse, class Format, class Rows>
void listRoundTrip(const QByteArray& bytes, Parse parse, Format format, Rows rowsOf) {
  PropertyList<Row> list = parse(bytes);
  auto formatted = format(rowsOf(list));
  TAVREL_FUZZ_CHECK(formatted.ok(), formatted.message());
  const PropertyList<Row> again = parse(formatted.value());
  TAVREL_FUZZ_CHECK(again.rows == list.rows, QString::fromLatin1(bytes.toHex()));
  TAVREL_FUZZ_CHECK(again.warnings.isEmpty(), again.warnings.join(u'\n'));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const QByteArray bytes = fuzz::bytes(data + 1, size - 1);
#if defined(TAVREL_FUZZ_PROPERTY_LISTS)
  const auto rows = [](const auto& list) { return list.rows; };
  switch (data[0] % 3) {
    case 0:
      listRoundTrip<Mail_Attribute_Row>(bytes, parseMail, formatMail, rows);
      break;
    case 1:
      listRoundTrip<W2K_Property_Row>(bytes, parseW2K, formatW2K, rows);
      break;
    default:
      // A short WTS.dat leaves the last rows as they were; the list always saves all of them.
      listRoundTrip<QString>(bytes, parseWTS, formatWTS, [](PropertyList<QString>& l) {
        while (l.rows.size() < kWtsRows) l.rows.append(QString());
        return QStringList(l.rows);
      });
      break;
  }
#else
  switch (data[0] % 7) {
    case 0:
      roundTrip<Site_Record>(bytes);
      break;
    case 1:
      roundTrip<Template_Record>(bytes);
      break;
    case 2:
      roundTrip<Permission_Record>(bytes);
      break;
    case 3:
      roundTrip<Site_Record_V1>(bytes);
      break;
    case 4:
      roundTrip<Template_Record_V1>(bytes);
      break;
    case 5:
      roundTrip<Template_Record_V20>(bytes);
      break;
    default:
      roundTrip<Template_Record_V21>(bytes);
      break;
  }
#endif
  return 0;
}
