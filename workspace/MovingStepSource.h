#pragma once

// The view's parent answers how many pixels one arrow key moves an image.
// The view finds it with dynamic_cast on its parent window; a parent that is
// not a CMovingStepSource means a step of one pixel.
class CMovingStepSource
{
public:
    virtual ~CMovingStepSource() = default;
    virtual int GetMovingPixelCount() = 0;
};
