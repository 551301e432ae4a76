// Plane second-order mesh of an L-shaped plate: the quadrangle-meshed square
// gives 8-node quadrangles, the triangle-meshed arm 6-node triangles, the
// group edge 3-node beams. Every edge is straight, so each midside node lies
// halfway between its two corners. gmsh writes the faces as thin shells
// (FE 92, 95) and the groups as dataset 2477; to_salome.py rewrites the file
// as Salome writes a plane mesh (see README.md).
// Made with:  gmsh -2 salome_tria6_quad8.geo -format unv -o gmsh_tria6_quad8.unv
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
Transfinite Curve{1, 2, 3, 4} = 4;
Transfinite Surface{1};
Recombine Surface{1};
Physical Surface("Face_1") = {1};
Physical Surface("Face_2") = {2};
Physical Surface("Plate") = {1, 2};
Physical Curve("Edge_6") = {6};
Mesh.ElementOrder = 2;
Mesh.SecondOrderIncomplete = 1;
