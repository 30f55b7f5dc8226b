// The stitch workspace: the source images in one column, each cut and shifted by its
// adjustment rectangle, with selection, manual and automatic adjustment, crop and save.
#pragma once

#include "image/CBaseImageDataList.h"
#include "platform/Collections.h"
#include "platform/ScrollView.h"

class LBitmapList;

class CViewStitchDicom : public CScrollView {
    DECLARE_DYNCREATE(CViewStitchDicom)  // the dialog creates its view through the run-time class
public:
    // Column margin: the marker bars lie left of it.
    static constexpr int kColumnLeft = 8;
    // Rows examined at the top and at the bottom of every image by the automatic pass.
    static constexpr int ANALYSIS_ROWS = 400;

    CViewStitchDicom();
    ~CViewStitchDicom() override;

    // Layout model.
    BOOL LoadFiles(CStringArray& files);
    BOOL LoadBitmaps(const char* referenceFile, LBitmapList& bitmaps, CArray<CPoint, CPoint>& points);
    BOOL BuildLayout();
    void RecalcLayout();
    CRect GetContentRect() const;

    // Manual adjustment of the selected image by n source pixels.
    BOOL MoveLeft(int n);
    BOOL MoveRight(int n);
    BOOL MoveUp(int n);
    BOOL MoveDown(int n);
    BOOL SizeIncrease(int n);
    BOOL SizeDecrease(int n);
    BOOL ApplyAdjustment(int index);
    BOOL ResetLayout();
    void ToggleRealSize();

    // Selection and stitching order (the selected image with its upper or lower neighbour).
    BOOL SelectAt(CPoint ptWorkspace);
    void MoveUpSequence();
    void MoveDownSequence();

    // Crop: a rectangle in workspace coordinates with eight handles, clockwise from the
    // top-left corner.
    static constexpr int CROP_HANDLE_COUNT = 8;
    void ToggleCropMode();
    int HitTestCropHandle(CPoint pt) const;
    void MoveCropHandle(CPoint pt);

    // Automatic pass.
    BOOL AutoStitch();
    static int FindContentEdge(const unsigned char* samples, int width, int rows, int bitsPerPixel, int direction);
    static double RowDeviation(const int* values, int count);

    // Save.
    BOOL SaveStitchedFile(const char* refPath, const char* savePath);
    CRect GetPixelCropRect() const;
    // Why the last save failed, when composition or writing said so (empty otherwise).
    const CString& GetLastSaveError() const { return m_strLastSaveError; }

    // Drawing.
    void ShowStatusText(const char* text);
    void DrawSelectionBar(CDC* pDC, CRect rcImage);
    void DrawCropFrame(CDC* pDC, BOOL bXor);
    void GetCropHandles(CArray<CPoint, CPoint>& points) const;

    // What the dialog reads for its command states.
    int GetSelected() const { return m_nSelected; }
    int GetImageCount() const { return static_cast<int>(m_listSource.GetCount()); }
    BOOL HasSelectedImage() const { return m_listSource.GetAt(m_nSelected) != nullptr; }
    BOOL IsCropMode() const { return m_bCropMode; }
    BOOL IsRealSize() const { return m_bRealSize; }

    CBaseImageDataList m_listSource{TRUE};
    CBaseImageDataList m_listDisplay{TRUE};
    BOOL m_bBitmapSource = FALSE;
    int m_nSelected = -1;
    BOOL m_bRightTracking = FALSE;
    CArray<CRect, CRect> m_arrAdjust;
    CArray<CPoint, CPoint> m_arrWindowLevel;
    BOOL m_bCropMode = FALSE;
    CRect m_rcCrop;
    CRect m_rcCropPrev;
    int m_nCropHandle = -1;
    BOOL m_bRealSize = FALSE;

protected:
    void OnDraw(CDC* pDC) override;
    BOOL OnEraseBkgnd(CDC* pDC) override;
    // Scroll sizes of 100 x 100 until the first layout (the dialog sends no initial update).
    void OnInitialUpdate();
    void OnSize(UINT nType, int cx, int cy) override;
    void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) override;
    void OnLButtonDown(UINT nFlags, CPoint point) override;
    void OnLButtonUp(UINT nFlags, CPoint point) override;
    void OnMouseMove(UINT nFlags, CPoint point) override;
    void OnRButtonDown(UINT nFlags, CPoint point) override;
    void OnRButtonUp(UINT nFlags, CPoint point) override;
    int OnMouseActivate(CWnd* pDesktopWnd, UINT nHitTest, UINT message) override;
    BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message) override;
    // The notice of an adjustment that found no selection is painted over when this
    // timer elapses: nothing else would repaint it, and it names a move that never happened.
    void OnTimer(UINT_PTR nIDEvent) override;

public:
    static constexpr UINT_PTR NOTICE_TIMER = 1;
    static constexpr UINT NOTICE_MILLISECONDS = 1500;

private:
    CString m_strLastSaveError;
    enum class Search { Top = 0, Bottom = 1 };
    // Workspace width available to the column: the view less its border, a vertical
    // scroll bar and the margin.
    int AvailableWidth() const;
    // Places every display image below the previous one; returns the canvas width.
    void PlaceColumn();
    void WidenBitmapsToCommonWidth();
    BOOL AdjustSelected(const char* notice, void (*change)(CRect& rc, int n, int height), int n);
    void StitchImage(int index);
    void SwapSelectedWith(int other);
    // Client point to workspace coordinates (adds the scroll position).
    CPoint ToWorkspace(CPoint ptClient) const;
    void StepSelection(BOOL bBackwards);
    void ShowContextMenu(CPoint ptClient);
    // Black over every visible part of the workspace that no image or marker bar covers.
    void PaintUncovered(CDC* pDC, const CRect& rcVisible);
    // A handle drag is under way: the left button went down on a handle and the view
    // holds the capture. Paints then draw the frame the way the drag does.
    BOOL IsDraggingCropHandle() const;
    // Frame width and handle reach grow by this factor on screens wider than 2000 pixels;
    // read afresh at each use.
    static int CropSizeFactor();
    void BeginCropDrag();
    void StepCropDrag(CPoint ptWorkspace);
};
