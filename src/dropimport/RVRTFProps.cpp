#include "dropimport/RVRTFProps.h"

const TRVRTFCellPropsList& TRVRTFRowProperties::Cells() const {
    static const TRVRTFCellPropsList none;
    return FCells ? *FCells : none;
}

void TRVRTFRowProperties::AddCell(const TRVRTFCellProperties& cell) {
    auto cells = std::make_shared<TRVRTFCellPropsList>(Cells());
    cells->push_back(cell);
    FCells = std::move(cells);
}
