#pragma once

#include "ClassifierList.h"

/// The types of occupancy of a payer's dwelling, for reference: read-only, in code
/// order.
class TSpravTypeOccupancy_Form : public ClassifierList
{
    Q_OBJECT

public:
    explicit TSpravTypeOccupancy_Form(Database& db, QWidget* parent = nullptr);
};
