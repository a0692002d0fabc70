#include "NetElement.h"

#include <utility>

CNetElement CNetElement::MakeNumber(std::int32_t tag, std::int32_t value)
{
    CNetElement element;
    element.m_tag = tag;
    element.m_number = value;
    return element;
}

CNetElement CNetElement::MakeString(std::string text)
{
    CNetElement element;
    element.m_tag = ELEM_STRING;
    element.m_string = std::move(text);
    return element;
}

CNetElement CNetElement::MakeBytes(CNetByteBlock block)
{
    CNetElement element;
    element.m_tag = ELEM_BYTES;
    element.m_bytes = std::move(block);
    return element;
}
