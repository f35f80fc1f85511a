// Photos made through Exiv2's own writer, for the tests that read their times taken.
#pragma once

#include <QByteArray>
#include <exiv2/exiv2.hpp>

// A TIFF structure with the given tags, as Exiv2's writer lays it out for an APP1 segment.
inline QByteArray exifBlob(const char* date, const char* subSec = nullptr,
                           const char* offset = nullptr) {
    Exiv2::ExifData exif;
    exif["Exif.Image.Make"] = "Test";
    if (date)
        exif["Exif.Photo.DateTimeOriginal"] = date;
    if (subSec)
        exif["Exif.Photo.SubSecTimeOriginal"] = subSec;
    if (offset)
        exif["Exif.Photo.OffsetTimeOriginal"] = offset;
    Exiv2::Blob blob;
    Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, exif);
    return QByteArray(reinterpret_cast<const char*>(blob.data()), qsizetype(blob.size()));
}

// SOI, one APP1 segment and EOI: all Exiv2 reads of a JPEG before its image data.
inline QByteArray jpeg(const QByteArray& tiff) {
    const QByteArray payload = "Exif" + QByteArray(2, '\0') + tiff;
    const qsizetype length = payload.size() + 2;
    return "\xFF\xD8\xFF\xE1" + QByteArray(1, char(length >> 8)) + char(length & 0xFF) + payload +
           "\xFF\xD9";
}
