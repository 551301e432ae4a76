#!/usr/bin/python3
"""Renders a .vtu written by tessal2vtk to a PNG, off-screen.

  render_grid.py GRID.vtu PICTURE.png

The cells are drawn as a light surface with their edges; each region array
(every point array but "vertex number") is drawn as spheres at the vertices
the region holds, in its own colour, the first region largest, so that
vertices in several regions show each of them. A legend names the regions.
Run it under a display, for instance xvfb-run (docs/render_grid.sh does).
"""
import sys

import vtk

COLOURS = [(0.85, 0.16, 0.16), (0.13, 0.47, 0.80), (0.95, 0.61, 0.07),
           (0.20, 0.63, 0.17), (0.58, 0.30, 0.74), (0.55, 0.34, 0.29)]


def main(grid_file, picture):
    reader = vtk.vtkXMLUnstructuredGridReader()
    reader.SetFileName(grid_file)
    reader.Update()
    grid = reader.GetOutput()
    renderer = vtk.vtkRenderer()
    renderer.SetBackground(1, 1, 1)

    surface = vtk.vtkDataSetSurfaceFilter()
    surface.SetInputData(grid)
    mapper = vtk.vtkDataSetMapper()
    mapper.SetInputConnection(surface.GetOutputPort())
    mapper.ScalarVisibilityOff()
    cells = vtk.vtkActor()
    cells.SetMapper(mapper)
    cells.GetProperty().SetColor(0.82, 0.84, 0.88)
    cells.GetProperty().SetOpacity(0.55)
    cells.GetProperty().EdgeVisibilityOn()
    cells.GetProperty().SetEdgeColor(0.25, 0.25, 0.3)
    renderer.AddActor(cells)

    bounds = grid.GetBounds()
    size = max(bounds[1] - bounds[0], bounds[3] - bounds[2], bounds[5] - bounds[4])
    regions = [grid.GetPointData().GetArrayName(k)
               for k in range(grid.GetPointData().GetNumberOfArrays())]
    regions = [r for r in regions if r != "vertex number"]
    legend = vtk.vtkLegendBoxActor()
    legend.SetNumberOfEntries(len(regions))
    for k, name in enumerate(regions):
        flags = grid.GetPointData().GetArray(name)
        points = vtk.vtkPoints()
        for i in range(grid.GetNumberOfPoints()):
            if flags.GetValue(i) == 1:
                points.InsertNextPoint(grid.GetPoint(i))
        held = vtk.vtkPolyData()
        held.SetPoints(points)
        sphere = vtk.vtkSphereSource()
        # Smaller spheres where the vertices stand closer together.
        crowd = min(1.0, 2.5 / max(grid.GetNumberOfPoints(), 1) ** (1 / 3))
        sphere.SetRadius(size * crowd * (0.075 - 0.012 * k))
        sphere.SetThetaResolution(24)
        sphere.SetPhiResolution(24)
        glyphs = vtk.vtkGlyph3D()
        glyphs.SetInputData(held)
        glyphs.SetSourceConnection(sphere.GetOutputPort())
        glyphs.ScalingOff()
        gm = vtk.vtkPolyDataMapper()
        gm.SetInputConnection(glyphs.GetOutputPort())
        actor = vtk.vtkActor()
        actor.SetMapper(gm)
        colour = COLOURS[k % len(COLOURS)]
        actor.GetProperty().SetColor(colour)
        actor.GetProperty().SetOpacity(0.35 if k == 0 and len(regions) > 1 else 1.0)
        renderer.AddActor(actor)
        sphere.Update()
        legend.SetEntry(k, sphere.GetOutput(), "%s (%d)" % (name, points.GetNumberOfPoints()), colour)
    legend.GetPositionCoordinate().SetValue(0.02, 0.70)
    legend.GetPosition2Coordinate().SetValue(0.30, 0.28)
    legend.BorderOff()
    # A light box behind the names, so that the points behind them do not
    # hide them.
    legend.UseBackgroundOn()
    legend.SetBackgroundColor(1.0, 1.0, 1.0)
    legend.SetBackgroundOpacity(0.85)
    legend.GetEntryTextProperty().SetColor(0.1, 0.1, 0.1)
    renderer.AddActor(legend)

    camera = renderer.GetActiveCamera()
    camera.SetPosition(1.0, -1.6, 1.2)
    camera.SetFocalPoint(0, 0, 0)
    camera.SetViewUp(0, 0, 1)
    renderer.ResetCamera()
    camera.Zoom(1.25)

    window = vtk.vtkRenderWindow()
    window.SetOffScreenRendering(1)
    window.AddRenderer(renderer)
    window.SetSize(800, 560)
    window.Render()
    shot = vtk.vtkWindowToImageFilter()
    shot.SetInput(window)
    shot.Update()
    writer = vtk.vtkPNGWriter()
    writer.SetFileName(picture)
    writer.SetInputConnection(shot.GetOutputPort())
    writer.Write()


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
