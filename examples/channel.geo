// A 2 x 1 channel meshed with second-order triangles (FE 92, which a grid
// does not keep until unvprep reduces them to FE 91 on their corners) and
// three-node beams on its sides (FE 24). Physical groups become dataset
// 2477 with element entities, as gmsh writes them.
// Made with:  gmsh -2 channel.geo -format unv -o channel.unv
Point(1) = {0, 0, 0, 0.5};
Point(2) = {2, 0, 0, 0.5};
Point(3) = {2, 1, 0, 0.5};
Point(4) = {0, 1, 0, 0.5};
Line(1) = {1, 2};
Line(2) = {2, 3};
Line(3) = {3, 4};
Line(4) = {4, 1};
Curve Loop(1) = {1, 2, 3, 4};
Plane Surface(1) = {1};
Physical Curve("inlet") = {4};
Physical Curve("outlet") = {2};
Physical Curve("walls") = {1, 3};
Physical Surface("fluid") = {1};
Mesh.ElementOrder = 2;
