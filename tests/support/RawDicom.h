// Hand-made DICOM files for tests: explicit VR little endian with file meta information,
// written byte by byte so that malformed files can be made on purpose.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

namespace rawdicom {

class CDataSet {
public:
    void Element(std::uint16_t group, std::uint16_t element, const std::string& vr, const std::string& value)
    {
        Put16(group);
        Put16(element);
        m_bytes += vr.substr(0, 2);
        const std::string kind = vr.substr(0, 2);
        if (kind == "OB" || kind == "OW" || kind == "OF" || kind == "OD" || kind == "SQ" || kind == "UN" ||
            kind == "UT") {
            Put16(0);
            Put32(std::uint32_t(value.size()));
        } else {
            Put16(std::uint16_t(value.size()));
        }
        m_bytes += value;
    }
    void Text(std::uint16_t group, std::uint16_t element, const std::string& vr, std::string value)
    {
        if (value.size() % 2)
            value += vr == "UI" ? '\0' : ' ';
        Element(group, element, vr, value);
    }
    void US(std::uint16_t group, std::uint16_t element, std::uint16_t value, const std::string& vr = "US")
    {
        Element(group, element, vr, std::string{char(value & 0xFF), char(value >> 8)});
    }
    const std::string& Bytes() const { return m_bytes; }

private:
    void Put16(std::uint16_t v) { m_bytes += std::string{char(v & 0xFF), char(v >> 8)}; }
    void Put32(std::uint32_t v)
    {
        Put16(std::uint16_t(v & 0xFFFF));
        Put16(std::uint16_t(v >> 16));
    }
    std::string m_bytes;
};

// Writes preamble, "DICM", group 0002 and the data set.
inline void WriteFile(const std::filesystem::path& path, const CDataSet& dataset)
{
    CDataSet meta;
    meta.Element(0x0002, 0x0001, "OB", std::string("\0\1", 2));
    meta.Text(0x0002, 0x0002, "UI", "1.2.840.10008.5.1.4.1.1.7");
    meta.Text(0x0002, 0x0003, "UI", "1.2.3.4.5");
    meta.Text(0x0002, 0x0010, "UI", "1.2.840.10008.1.2.1");
    CDataSet group;
    const std::uint32_t length = std::uint32_t(meta.Bytes().size());
    group.Element(0x0002, 0x0000, "UL",
                  std::string{char(length & 0xFF), char((length >> 8) & 0xFF), char((length >> 16) & 0xFF),
                              char(length >> 24)});
    std::ofstream out(path, std::ios::binary);
    out << std::string(128, '\0') << "DICM" << group.Bytes() << meta.Bytes() << dataset.Bytes();
}

// An image data set without Pixel Data: SOP class/instance and the pixel module.
inline CDataSet ImageHeader(int rows, int columns, int bitsAllocated, int bitsStored, int pixelRepresentation)
{
    CDataSet ds;
    ds.Text(0x0008, 0x0016, "UI", "1.2.840.10008.5.1.4.1.1.7");
    ds.Text(0x0008, 0x0018, "UI", "1.2.3.4.5");
    ds.US(0x0028, 0x0002, 1);
    ds.Text(0x0028, 0x0004, "CS", "MONOCHROME2");
    ds.US(0x0028, 0x0010, std::uint16_t(rows));
    ds.US(0x0028, 0x0011, std::uint16_t(columns));
    ds.US(0x0028, 0x0100, std::uint16_t(bitsAllocated));
    ds.US(0x0028, 0x0101, std::uint16_t(bitsStored));
    ds.US(0x0028, 0x0102, std::uint16_t(bitsStored - 1));
    ds.US(0x0028, 0x0103, std::uint16_t(pixelRepresentation));
    return ds;
}

}  // namespace rawdicom
