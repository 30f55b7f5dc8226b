// The stitch workspace: the view and controller of the stitching model. It shows the
// pieces in one column, each as a display image cut and shifted by its source rectangle;
// keys, mouse and the dialog's commands call the model, and the view repaints from it.
// The crop frame is dragged in workspace coordinates and handed to the model in pixels
// of the stitched image when the column is saved.
#pragma once

#include "image/CBaseImageDataList.h"
#include "platform/Collections.h"
#include "platform/ScrollView.h"
#include "stitch/CStitchModel.h"

class LBitmapList;

class CViewStitchDicom : public CScrollView {
    DECLARE_DYNCREATE(CViewStitchDicom)  // the dialog creates its view through the run-time class
public:
    // Column margin: the marker bars lie left of it.
    static constexpr int kColumnLeft = 8;

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
    // The trim pass, then every junction registered; marks and a status line show the result.
    BOOL AlignImages();
    // One layout step back or forward in the model's history; FALSE when there is none.
    BOOL UndoLayout();
    BOOL RedoLayout();

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
    void DrawJunctionMarks(CDC* pDC);
    void DrawAlignStatus(CDC* pDC, const CRect& visible);

    // What the dialog reads for its command states.
    int GetSelected() const { return m_model.GetSelected(); }
    int GetImageCount() const { return m_model.GetCount(); }
    BOOL HasSelectedImage() const { return m_model.HasSelection(); }
    BOOL IsCropMode() const { return m_bCropMode; }
    BOOL IsRealSize() const { return m_bRealSize; }

    // The model the view shows. A caller that changes it directly lays the view out again
    // (BuildLayout after loading or reordering, ApplyAdjustment and RecalcLayout otherwise).
    CStitchModel& Model() { return m_model; }
    const CStitchModel& Model() const { return m_model; }
    // What the last save came to: file, geometry, and every piece's outcome.
    const CStitchSaveResult& GetLastSave() const { return m_lastSave; }

    // One display image per piece, at the same index.
    CBaseImageDataList m_listDisplay{TRUE};
    BOOL m_bRightTracking = FALSE;
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
    CStitchModel m_model;
    CStitchSaveResult m_lastSave;
    CString m_strLastSaveError;
    // Workspace width available to the column: the view less its border, a vertical
    // scroll bar and the margin.
    int AvailableWidth() const;
    // Places every display image below the previous one; returns the canvas width.
    void PlaceColumn();
    // A full copy of every piece's source image as its display image.
    void RebuildDisplayImages();
    BOOL AdjustSelected(const char* notice, EChange (CStitchModel::*command)(int), int n);
    void Reorder(EChange (CStitchModel::*command)());
    // Display images and layout again after a model change the view did not make itself.
    BOOL RefreshAfterLayoutChange(EChange changed);
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
