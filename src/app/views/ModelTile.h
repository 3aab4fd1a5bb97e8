#pragma once

#include "Card.h"

struct ModelUsage;

// One model in the strip at the top of the models page: its colour, name, tokens, estimated cost
// and its share of the largest model.
class ModelTile : public Card
{
    Q_OBJECT

public:
    ModelTile(const ModelUsage& row, double maxToken, QWidget* parent = nullptr);
};
