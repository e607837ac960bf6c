#pragma once

#include "ClassifierList.h"

/// The municipal districts a payer's dwelling may lie in, for reference: read-only, in code
/// order until the operator sorts it by a column title.
class TSpravMO_Form : public ClassifierList
{
    Q_OBJECT

public:
    explicit TSpravMO_Form(Database& db, QWidget* parent = nullptr);
};
