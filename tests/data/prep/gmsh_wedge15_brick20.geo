// Second-order serendipity mesh of two extruded blocks: the triangle-meshed
// block gives 15-node wedges (FE 113), the quadrangle-meshed block 20-node
// bricks (116); their faces in groups give 6-node triangles (92) and 8-node
// quadrangles (95), the group edge 3-node beams (24). Every face is plane
// and every edge straight, so each midside node lies halfway between its
// two corners. Node and element labels start at 101 and 11, so the
// converter asks to renumber.
// Made with:  gmsh -3 gmsh_wedge15_brick20.geo -format unv -o gmsh_wedge15_brick20.unv
Point(1) = {0, 0, 0, 0.5};
Point(2) = {1, 0, 0, 0.5};
Point(3) = {1, 1, 0, 0.5};
Point(4) = {0, 1, 0, 0.5};
Point(5) = {2, 0, 0, 0.5};
Point(6) = {2, 1, 0, 0.5};
Line(1) = {1, 2}; Line(2) = {2, 3}; Line(3) = {3, 4}; Line(4) = {4, 1};
Line(5) = {2, 5}; Line(6) = {5, 6}; Line(7) = {6, 3};
Curve Loop(1) = {1, 2, 3, 4}; Plane Surface(1) = {1};
Curve Loop(2) = {5, 6, 7, -2}; Plane Surface(2) = {2};
Transfinite Curve{1, 2, 3, 4} = 3;
Transfinite Surface{1};
Recombine Surface{1};
out1[] = Extrude {0, 0, 0.5} { Surface{1}; Layers{2}; Recombine; };
out2[] = Extrude {0, 0, 0.5} { Surface{2}; Layers{2}; Recombine; };
Physical Volume("BRICKS") = {out1[1]};
Physical Volume("WEDGES") = {out2[1]};
Physical Surface("INLET") = {out1[5]};
Physical Surface("OUTLET") = {out2[3]};
Physical Surface("BOTTOM") = {1, 2};
Physical Curve("EDGE") = {1};
Mesh.FirstNodeTag = 101;
Mesh.FirstElementTag = 11;
Mesh.ElementOrder = 2;
Mesh.SecondOrderIncomplete = 1;
