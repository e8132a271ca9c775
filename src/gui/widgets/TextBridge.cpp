#include "TextBridge.h"

#include <QStringDecoder>

QString FromBytes(const std::string& Bytes) {
  QStringDecoder Decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString Text = Decoder.decode(QByteArrayView(Bytes.data(), static_cast<qsizetype>(Bytes.size())));
  if (Decoder.hasError()) return QString::fromLatin1(Bytes.data(), static_cast<qsizetype>(Bytes.size()));
  return Text;
}

std::string ToBytes(const QString& Text) { return Text.toStdString(); }
