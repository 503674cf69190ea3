#include "support/render_probe.h"

#include "render/canvas.h"

uint64_t GetDrawnShapeCount(void)
{
    render::FlushPendingRow();  // the quads held back count once drawn
    return render::R.shapes;
}

void SetDirectFill(bool on)
{
    render::FlushPendingRow();
    render::R.fastFill = on;
    render::R.quadTextureId = 0;  // the next quad looks its texture up afresh
    render::R.quadTexture = nullptr;
}

uint64_t GetQuadsDrawnAlone(void)
{
    render::FlushPendingRow();
    return render::R.quadsAlone;
}
