// A duct 3 x 1 x 1 around a square post, meshed with second-order
// tetrahedra (FE 118, ten nodes: tessalgrid keeps their four corners and
// leaves the six midside nodes out of the grid). Physical groups become
// dataset 2477 with element entities, as gmsh writes them.
// Made with:  gmsh -3 duct.geo -format unv -o duct.unv
SetFactory("OpenCASCADE");
Box(1) = {0, 0, 0, 3, 1, 1};
Box(2) = {1.2, 0.35, 0, 0.3, 0.3, 1};
BooleanDifference(3) = {Volume{1}; Delete;}{Volume{2}; Delete;};
Mesh.CharacteristicLengthMax = 0.3;
Mesh.ElementOrder = 2;
inlet() = Surface In BoundingBox{-0.01, -0.01, -0.01, 0.01, 1.01, 1.01};
outlet() = Surface In BoundingBox{2.99, -0.01, -0.01, 3.01, 1.01, 1.01};
post() = Surface In BoundingBox{1.19, 0.34, -0.01, 1.51, 0.66, 1.01};
all() = Boundary{Volume{3};};
walls() = all();
walls() -= inlet();
walls() -= outlet();
walls() -= post();
Physical Surface("inlet") = inlet();
Physical Surface("outlet") = outlet();
Physical Surface("post") = post();
Physical Surface("walls") = walls();
Physical Volume("fluid") = {3};
